// Runs a subsystem's process-state reset before every test of a test program, so that no test sees what
// an earlier one left behind, in whatever order (or shuffle) the tests run.
#pragma once

#include <gtest/gtest.h>

namespace testsupport {

class ResetBeforeEachTest : public testing::EmptyTestEventListener {
public:
    explicit ResetBeforeEachTest(void (*reset)()) : reset_(reset) {}
    // Called before the test's fixture is built, so its constructor and SetUp see the start-up state.
    void OnTestStart(const testing::TestInfo& /*test*/) override { reset_(); }

private:
    void (*reset_)();
};

// Installs the reset; GoogleTest owns the listener. Meant for a namespace-scope initialiser of a source
// file compiled into the test program.
inline bool resetBeforeEachTest(void (*reset)()) {
    testing::UnitTest::GetInstance()->listeners().Append(new ResetBeforeEachTest(reset));
    return true;
}

}  // namespace testsupport
