// The run-time choice of audio output backend by name: "winmm" (the system's wave-out) on Windows,
// "sdl2" where SDL2 is built in, and "offline" (no hardware; its clock moves only when told) everywhere.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "music/audio_device.h"
#include "platform/backend_table.h"

namespace platform {

using AudioBackend = Backend<std::unique_ptr<music::AudioDevice>>;

// The backends built into this program, preferred first.
std::span<const AudioBackend> audioBackends();

// The backend a program uses when none is named: "winmm" on Windows, "sdl2" elsewhere when built in,
// otherwise "offline".
std::string_view defaultAudioBackend();

// The known names, comma separated, for messages.
std::string audioBackendNames();

struct AudioDeviceCreation {
    std::unique_ptr<music::AudioDevice> device;  // null on failure
    std::string error;                           // why device is null
};

// Creates a device of the named backend; it opens only when the music starts. Names are exact.
AudioDeviceCreation createAudioDevice(std::string_view name);

// Creates the named backend's device, keeps it for the rest of the process and makes it the one the
// music plays through. Call it before the music starts; false with a message in error otherwise or
// for an unknown name.
bool selectAudioDevice(std::string_view name, std::string& error);

}  // namespace platform
