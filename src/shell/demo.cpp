// The root's frame: timeline update, clear, timeline render inside the scene, and the end of the music.
#include "shell/demo.h"

#include "device/device_state.h"

namespace shell {

bool Demo::runFrame(float t) {
    if (timeline_ != nullptr) {
        timeline_->update(t);
    }
    device::IDirect3DDevice9* device = device::deviceState().device.get();
    if (device != nullptr) {
        device->Clear(0, nullptr, device::D3DCLEAR_TARGET | device::D3DCLEAR_ZBUFFER, 0x00000000, 1.0f, 0);
        device->BeginScene();
    }
    if (timeline_ != nullptr) {
        timeline_->render(t);
    }
    if (device != nullptr) {
        device->EndScene();
    }
    // Written as a test for the end, so that an unordered comparison keeps the presentation running.
    if (t >= endTime_) {
        if (music_ != nullptr) {
            music_->stop();
        }
        return false;
    }
    return true;
}

Demo* makeDemo(graph::ObjectStore& store, sequence::Layer* timeline, float endTime, music::Music* music) {
    return store.make<Demo>(timeline, endTime, music);
}

}  // namespace shell
