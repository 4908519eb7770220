// The stand-in object instance.
#include "test_instances.h"

#include "device/device_state.h"

namespace cliptest {

using namespace device;

void NotedInstance::render(float t, scene::RenderPass pass) { draws.push_back({t, pass, deviceState().sharedWorld}); }

}  // namespace cliptest
