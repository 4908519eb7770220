// The process-wide device state and its release.
#include "device/device_state.h"

namespace device {

namespace {

DeviceState gDeviceState;

}  // namespace

DeviceState& deviceState() { return gDeviceState; }

void releaseDeviceObjects(DeviceState& state) {
    releaseAndNull(state.quadDeclaration);
    releaseAndNull(state.meshDeclaration);
    releaseAndNull(state.constantColorBuffer);
    releaseAndNull(state.depthStencil);
    releaseAndNull(state.backBuffer);
    releaseAndNull(state.device);
    releaseAndNull(state.direct3D);
    state.deviceLost = false;
}

void resetDeviceState() {
    releaseDeviceObjects(gDeviceState);
    gDeviceState = DeviceState{};
}

}  // namespace device
