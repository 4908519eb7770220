// A recording backend and host for each test, with the process-wide device state reset around it. A test
// fails when it leaves the recording device with a rule violation or with references nobody released.
#pragma once

#include <gtest/gtest.h>

#include "device/device_state.h"
#include "device/recording_device.h"
#include "device/recording_host.h"

namespace recording {

// Adds a failure for every rule violation the backend saw and for its objects still referenced.
inline void expectNothingLeftBehind(const Backend& backend) {
    EXPECT_TRUE(backend.violations().empty())
        << "device rules broken: " << ::testing::PrintToString(backend.violations());
    EXPECT_TRUE(backend.heldReferences().empty())
        << "references never released: " << ::testing::PrintToString(backend.heldReferences());
}

}  // namespace recording

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override { device::resetDeviceState(); }
    // Releases what the state still holds while the backend's objects exist; whatever the test itself
    // took must have been given back by then.
    void TearDown() override {
        device::resetDeviceState();
        recording::expectNothingLeftBehind(backend);
    }

    recording::Backend backend;
    recording::RecordingHost host{backend};
};
