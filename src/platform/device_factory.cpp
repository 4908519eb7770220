// The table of device backends and the lookup by name.
#include "platform/device_factory.h"

#include "platform/soft/soft_direct3d.h"
#ifdef _WIN32
#include "platform/win32/d3d9_direct3d.h"
#endif

namespace platform {
namespace {

// Preferred first; the software device comes last, the fallback that runs everywhere.
constexpr DeviceBackend kBackends[] = {
#ifdef _WIN32
    {"d3d9", [](const Direct3DOptions&) { return win32::createDirect3D9(); }},
#endif
    {"soft",
     [](const Direct3DOptions& options) {
         soft::SoftDirect3DOptions softOptions;
         softOptions.presentSink = options.presentSink;
         return soft::createSoftDirect3D(softOptions);
     }},
};

constexpr BackendTable<device::IDirect3D9*, const Direct3DOptions&> kTable{"device", kBackends};

}  // namespace

std::span<const DeviceBackend> deviceBackends() { return kTable.entries(); }

std::string_view defaultDeviceBackend() { return kTable.preferred(); }

std::string deviceBackendNames() { return kTable.names(); }

Direct3DCreation createDirect3D(std::string_view name, const Direct3DOptions& options) {
    Direct3DCreation result;
    const DeviceBackend* backend = kTable.find(name);
    if (backend == nullptr) {
        result.error = kTable.unknownNameMessage(name);
        return result;
    }
    result.direct3d = device::DeviceRef<device::IDirect3D9>::adopt(backend->create(options));
    if (!result.direct3d) {
        result.error = "device '" + std::string(name) + "' could not be started on this system";
    }
    return result;
}

}  // namespace platform
