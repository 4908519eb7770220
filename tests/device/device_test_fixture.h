// A recording backend and host for each test, with the process-wide device state reset around it.
#pragma once

#include <gtest/gtest.h>

#include "device/device_state.h"
#include "device/recording_device.h"
#include "device/recording_host.h"

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override { device::resetDeviceState(); }
    // Releases what the state still holds while the backend's objects exist.
    void TearDown() override { device::resetDeviceState(); }

    recording::Backend backend;
    recording::RecordingHost host{backend};
};
