// The recording host: platform services as log entries.
#include "device/recording_host.h"

#include "device/recording_device.h"
#include "device/recording_format.h"

namespace recording {

using namespace device;

DeviceRef<IDirect3D9> RecordingHost::createDirect3D() {
    if (!direct3DAvailable) {
        note("Direct3DCreate9", args(D3D_SDK_VERSION), "null");
        return nullptr;
    }
    RecordingDirect3D* created = backend_.createDirect3D();
    note("Direct3DCreate9", args(D3D_SDK_VERSION), created->name());
    return DeviceRef<IDirect3D9>::adopt(created);
}

void RecordingHost::hideWindow() { note("ShowWindow", "window, SW_HIDE"); }

void RecordingHost::showCursor() { note("ShowCursor", "TRUE"); }

void RecordingHost::showErrorMessage(const char* text) {
    messages.emplace_back(text == nullptr ? "" : text);
    note("MessageBoxA", args("null", quoted(text), quoted("Error"), "MB_OK"));
}

void RecordingHost::sleep(DWORD milliseconds) {
    sleptMilliseconds += milliseconds;
    note("Sleep", args(milliseconds));
}

void RecordingHost::note(std::string method, std::string arguments, std::string result) {
    backend_.record({"host", std::move(method), std::move(arguments), std::move(result)});
}

}  // namespace recording
