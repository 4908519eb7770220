// Compiled into every music test program: each test starts from the music subsystem's start-up state.
#include "music/music_state.h"
#include "support/reset_before_each_test.h"

namespace {

[[maybe_unused]] const bool installed = testsupport::resetBeforeEachTest(&music::resetMusicState);

}  // namespace
