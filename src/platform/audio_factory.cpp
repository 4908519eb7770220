// The table of audio backends, the lookup by name and the process's selected device.
#include "platform/audio_factory.h"

#include "music/audio_output.h"
#include "platform/headless/offline_audio.h"
#ifdef VELBRY_HAVE_SDL2_AUDIO
#include "platform/sdl2/sdl2_audio.h"
#endif
#ifdef _WIN32
#include "platform/win32/winmm_audio.h"
#endif

namespace platform {
namespace {

template <typename Device>
std::unique_ptr<music::AudioDevice> make() {
    return std::make_unique<Device>();
}

// Preferred first; the offline device comes last: it plays nothing unless its owner moves its clock.
constexpr AudioBackend kBackends[] = {
#ifdef _WIN32
    {"winmm", &make<win32::WinmmAudioDevice>},
#endif
#ifdef VELBRY_HAVE_SDL2_AUDIO
    {"sdl2", &make<sdl2::Sdl2AudioDevice>},
#endif
    {"offline", &make<headless::OfflineAudioDevice>},
};

constexpr BackendTable<std::unique_ptr<music::AudioDevice>> kTable{"audio device", kBackends};

std::unique_ptr<music::AudioDevice>& selectedDevice() {
    static std::unique_ptr<music::AudioDevice> device;
    return device;
}

}  // namespace

std::span<const AudioBackend> audioBackends() { return kTable.entries(); }

std::string_view defaultAudioBackend() { return kTable.preferred(); }

std::string audioBackendNames() { return kTable.names(); }

AudioDeviceCreation createAudioDevice(std::string_view name) {
    AudioDeviceCreation result;
    const AudioBackend* backend = kTable.find(name);
    if (backend == nullptr) {
        result.error = kTable.unknownNameMessage(name);
        return result;
    }
    result.device = backend->create();
    return result;
}

bool selectAudioDevice(std::string_view name, std::string& error) {
    std::unique_ptr<music::AudioDevice>& selected = selectedDevice();
    if (selected != nullptr && music::audioOutput().device == selected.get()) {
        error = "the audio device cannot change while the music plays";
        return false;
    }
    AudioDeviceCreation creation = createAudioDevice(name);
    if (creation.device == nullptr) {
        error = creation.error;
        return false;
    }
    selected = std::move(creation.device);
    music::setAudioDevice(selected.get());
    return true;
}

}  // namespace platform
