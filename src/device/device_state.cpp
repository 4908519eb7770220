// The process-wide device state and its release.
#include "device/device_state.h"

namespace device {

DeviceState& deviceState() {
    // Never destroyed: the device and its objects are left to the end of the process, as the shell's
    // tear-down expects, instead of being released by static destruction after the window has gone.
    static DeviceState* const state = new DeviceState;
    return *state;
}

void releaseDeviceObjects(DeviceState& state) {
    state.quadDeclaration.reset();
    state.meshDeclaration.reset();
    state.constantColorBuffer.reset();
    state.depthStencil.reset();
    state.backBuffer.reset();
    state.device.reset();
    state.direct3D.reset();
    state.deviceLost = false;
}

void resetDeviceState() {
    DeviceState& state = deviceState();
    releaseDeviceObjects(state);
    state = DeviceState{};
}

}  // namespace device
