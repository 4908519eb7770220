// The table of device backends and the lookup by name.
#include "platform/device_factory.h"

#include "platform/soft/soft_direct3d.h"
#ifdef _WIN32
#include "platform/win32/d3d9_direct3d.h"
#endif

#include <algorithm>

namespace platform {
namespace {

// Preferred first; the software device comes last, the fallback that runs everywhere.
constexpr DeviceBackend kBackends[] = {
#ifdef _WIN32
    {"d3d9", win32::createDirect3D9},
#endif
    {"soft", [] { return soft::createSoftDirect3D(); }},
};

}  // namespace

std::span<const DeviceBackend> deviceBackends() { return kBackends; }

std::string_view defaultDeviceBackend() {
#ifdef _WIN32
    return "d3d9";
#else
    return "soft";
#endif
}

std::string deviceBackendNames() {
    std::string names;
    for (const DeviceBackend& backend : kBackends) {
        if (!names.empty()) {
            names += ", ";
        }
        names += backend.name;
    }
    return names;
}

Direct3DCreation createDirect3D(std::string_view name) {
    const auto found = std::find_if(std::begin(kBackends), std::end(kBackends),
                                    [name](const DeviceBackend& backend) { return backend.name == name; });
    Direct3DCreation result;
    if (found == std::end(kBackends)) {
        result.error = "unknown device '" + std::string(name) + "' (available: " + deviceBackendNames() + ")";
        return result;
    }
    result.direct3d = found->create();
    if (result.direct3d == nullptr) {
        result.error = "device '" + std::string(name) + "' could not be started on this system";
    }
    return result;
}

}  // namespace platform
