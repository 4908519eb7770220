// The run-time choice of graphics device backend by name: "soft" (the software rasterizer) everywhere,
// "d3d9" (the system's Direct3D 9) on Windows.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "device/d3d9_interfaces.h"
#include "device/device_ref.h"
#include "platform/backend_table.h"

namespace soft {
class PresentSink;
}

namespace platform {

// What the program asks of the device beyond its name. Backends that show their frames by themselves
// (Direct3D 9) ignore it.
struct Direct3DOptions {
    // Receives every frame the software device presents (a window backend shows it); may be null.
    soft::PresentSink* presentSink = nullptr;
};

// create returns the backend's Direct3D object with one reference, or null when it cannot start here.
using DeviceBackend = Backend<device::IDirect3D9*, const Direct3DOptions&>;

// The backends built into this program, preferred first.
std::span<const DeviceBackend> deviceBackends();

// The backend a program uses when none is named: "d3d9" on Windows, "soft" elsewhere.
std::string_view defaultDeviceBackend();

// The known names, comma separated, for messages.
std::string deviceBackendNames();

struct Direct3DCreation {
    device::DeviceRef<device::IDirect3D9> direct3d;  // null on failure
    std::string error;                               // why direct3d is null
};

// Creates the Direct3D object of the named backend: the one way a program gets its Direct3D object, which
// it then hands to device::startDevice or creates its devices from. Names are exact and case-sensitive.
Direct3DCreation createDirect3D(std::string_view name, const Direct3DOptions& options = {});

}  // namespace platform
