// A DeviceHost for tests: logs the window, cursor, message box and sleep calls into the backend's call
// log (as "host.ShowWindow(window, SW_HIDE)" and so on), and stands in for the device factory by handing
// out the backend's Direct3D objects.
#pragma once

#include <string>
#include <vector>

#include "device/device_host.h"
#include "device/device_ref.h"
#include "device/recording_backend.h"

namespace recording {

class RecordingHost final : public device::DeviceHost {
public:
    explicit RecordingHost(Backend& backend) : backend_(backend) {}

    // False: createDirect3D returns null, as on a machine without Direct3D 9.
    bool direct3DAvailable = true;
    std::vector<std::string> messages;
    device::DWORD sleptMilliseconds = 0;

    // The backend's new Direct3D object, logged as "host.Direct3DCreate9(32) -> d3d1", as the factory's
    // "d3d9" backend makes it on Windows.
    device::DeviceRef<device::IDirect3D9> createDirect3D();

    device::HWND window() override { return backend_.window(); }
    void hideWindow() override;
    void showCursor() override;
    void showErrorMessage(const char* text) override;
    void sleep(device::DWORD milliseconds) override;

private:
    void note(std::string method, std::string arguments, std::string result = {});

    Backend& backend_;
};

}  // namespace recording
