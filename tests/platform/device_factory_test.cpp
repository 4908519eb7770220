// Device factory: names are looked up exactly, unknown names are refused with the list of known ones, and
// each built-in backend that can run here hands out a Direct3D object.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/device_factory.h"

namespace {

TEST(DeviceFactory, TableHasUniqueNamesAndTheDefault) {
    std::set<std::string> names;
    bool hasDefault = false;
    for (const platform::DeviceBackend& backend : platform::deviceBackends()) {
        EXPECT_NE(backend.create, nullptr) << backend.name;
        EXPECT_TRUE(names.insert(std::string(backend.name)).second) << "duplicate " << backend.name;
        hasDefault = hasDefault || backend.name == platform::defaultDeviceBackend();
    }
    EXPECT_TRUE(hasDefault) << platform::defaultDeviceBackend();
    EXPECT_TRUE(names.contains("soft"));
#ifdef _WIN32
    EXPECT_TRUE(names.contains("d3d9"));
#else
    EXPECT_FALSE(names.contains("d3d9")) << "Direct3D 9 exists only on Windows";
#endif
}

TEST(DeviceFactory, UnknownNamesAreRefusedWithTheKnownOnes) {
    for (const char* name : {"opengl", "", "SOFT", "soft ", " soft", "d3d9x"}) {
        const platform::Direct3DCreation created = platform::createDirect3D(name);
        EXPECT_EQ(created.direct3d, nullptr) << "'" << name << "'";
        EXPECT_NE(created.error.find("unknown device '" + std::string(name) + "'"), std::string::npos)
            << created.error;
        EXPECT_NE(created.error.find(platform::deviceBackendNames()), std::string::npos) << created.error;
    }
}

TEST(DeviceFactory, SoftwareDeviceIsAlwaysAvailable) {
    platform::Direct3DCreation created = platform::createDirect3D("soft");
    ASSERT_NE(created.direct3d, nullptr) << created.error;
    EXPECT_TRUE(created.error.empty());
    EXPECT_EQ(created.direct3d.detach()->Release(), 0u) << "the caller's reference is the only one";
}

}  // namespace
