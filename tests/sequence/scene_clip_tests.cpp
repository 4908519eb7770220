// The scene clip against the recording device: its exact call sequence, the camera it picks, lights in
// camera space and switched off between clips, fog, and the textures of its object instances.
#include "sequence/scene_clip.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <numbers>

#include "device/call_lines.h"
#include "device/device_state.h"
#include "device/shared_render_state.h"
#include "device/started_device_fixture.h"
#include "scene/camera.h"
#include "scene/constant_vector.h"
#include "scene/light.h"
#include "scene/scalar_remap.h"
#include "test_instances.h"

namespace {

using namespace device;
using namespace recording::calls;

class SceneClipTest : public StartedDeviceTest {
protected:
    scene::StaticMatrix* at(float x, float y, float z) {
        return store_.make<scene::StaticMatrix>(math::matTranslation(x, y, z));
    }
    scene::Camera* camera(scene::StaticMatrix* place, std::int32_t id = 0, scene::ScalarValue* fov = nullptr) {
        return store_.make<scene::Camera>(nullptr, place, nullptr, fov, id);
    }
    scene::Light* light(scene::StaticMatrix* place, std::int32_t id = 0, D3DCOLOR color = 0xFFFFFFFF) {
        return store_.make<scene::Light>(nullptr, place, nullptr, color, id);
    }
    graph::PointerArray& roots(std::initializer_list<scene::SceneNode*> nodes) {
        graph::PointerArray* list = store_.makeList();
        for (scene::SceneNode* node : nodes) {
            list->pushValue(static_cast<graph::ScriptObject*>(node));
        }
        return *list;
    }
    // The recorded position of device light `index`.
    D3DVECTOR lightPosition(DWORD index) { return backend.device()->lights.at(index).Position; }
    float projectionScaleX() { return backend.device()->transforms.at(D3DTS_PROJECTION)._11; }

    graph::ObjectStore store_;
};

TEST_F(SceneClipTest, RenderCallsInOrder) {
    scene::Light* lamp = light(at(10, 0, 0), 2, 0xFF8040FF);
    cliptest::NotedInstance object(&scene::sharedDefaultMaterial());
    const sequence::ClipFog fog{D3DFOG_LINEAR, 0xFF0080E0, 10.0f, 25.0f};
    sequence::SceneClip clip(roots({camera(at(5, 0, 0)), lamp, &object}), 0, 0xFF303030, fog);
    clip.update(1.0f);
    clip.render(1.0f);

    setPerspectiveProjection(0.7853981852531433f);
    D3DLIGHT9 expectedLight = lamp->record();
    expectedLight.Position = {5, 0, 0};
    std::vector<std::string> expected{
        transform("PROJECTION", toD3DMatrix(deviceState().sharedProjection)),
        renderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA),
        renderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA),
        renderState(D3DRS_AMBIENT, 0xFF303030),
    };
    for (DWORD i = 0; i < 8; ++i) {
        expected.push_back(lightEnable(i, false));
    }
    expected.insert(expected.end(), {
                                        recording::calls::light(2, expectedLight),
                                        lightEnable(2, true),
                                        renderState(D3DRS_FOGENABLE, TRUE),
                                        renderState(D3DRS_FOGCOLOR, 0xFF0080E0),
                                        renderState(D3DRS_FOGTABLEMODE, D3DFOG_LINEAR),
                                        renderState(D3DRS_FOGSTART, std::bit_cast<DWORD>(10.0f)),
                                        renderState(D3DRS_FOGEND, std::bit_cast<DWORD>(25.0f)),
                                        renderState(D3DRS_FOGENABLE, FALSE),
                                        renderState(D3DRS_LIGHTING, FALSE),
                                    });
    EXPECT_EQ(backend.lines(), expected) << backend.transcript();
    // The light's colour with alpha forced to 1, as a point light of range 2000.
    EXPECT_EQ(lamp->record().Diffuse.r, 0x80 / 255.0f);
    EXPECT_EQ(lamp->record().Ambient.b, 1.0f);
    EXPECT_EQ(lamp->record().Specular.a, 1.0f);
    EXPECT_EQ(lamp->record().Range, 2000.0f);
    // The object was drawn in both passes, each time at its world times the view.
    ASSERT_EQ(object.draws.size(), 2u);
    EXPECT_EQ(object.draws[0].pass, scene::RenderPass::Opaque);
    EXPECT_EQ(object.draws[1].pass, scene::RenderPass::Late);
    EXPECT_EQ(object.draws[1].world, math::matTranslation(-5, 0, 0));
}

TEST_F(SceneClipTest, LightsAreSentInCameraSpace) {
    scene::Camera* eye = camera(nullptr);
    sequence::SceneClip clip(roots({eye, light(at(10, 0, 0))}), 0, 0, {});
    clip.update(0.0f);
    clip.render(0.0f);
    EXPECT_EQ(lightPosition(0).x, 10.0f);

    sequence::SceneClip moved(roots({camera(at(5, 0, 0)), light(at(10, 0, 0))}), 0, 0, {});
    moved.update(0.0f);
    moved.render(0.0f);
    EXPECT_EQ(lightPosition(0).x, 5.0f);
    EXPECT_EQ(lightPosition(0).y, 0.0f);
    // Fog mode 0 touches no fog state at all.
    for (D3DRENDERSTATETYPE fogState : {D3DRS_FOGENABLE, D3DRS_FOGCOLOR, D3DRS_FOGTABLEMODE, D3DRS_FOGSTART}) {
        EXPECT_EQ(backend.device()->renderStates.count(fogState), 0u) << fogState;
    }
    // The camera is never drawn.
    EXPECT_FALSE(eye->visible());
}

TEST_F(SceneClipTest, TheLastMatchingCameraWinsAndItsFieldOfViewIsUsed) {
    scene::ScalarRemap wide(nullptr, 1.2f, 0.0f, 1.0f);
    scene::ScalarRemap narrow(nullptr, 0.5f, 0.0f, 1.0f);
    scene::Camera* first = camera(at(1, 0, 0), 3, &wide);
    scene::Camera* other = camera(at(2, 0, 0), 4, &wide);
    scene::Camera* last = camera(at(3, 0, 0), 3, &narrow);
    sequence::SceneClip clip(roots({first, other, last, light(at(10, 0, 0))}), 3, 0, {});
    clip.update(0.0f);
    EXPECT_EQ(clip.camera(), last);
    clip.render(0.0f);
    EXPECT_FLOAT_EQ(projectionScaleX(), 1.0f / std::tan(0.25f));
    EXPECT_EQ(lightPosition(0).x, 7.0f);
    EXPECT_TRUE(first->visible());

    // No camera with the clip's id: the origin looking along +z, a quarter-turn field of view.
    sequence::SceneClip blind(roots({first, light(at(10, 0, 0))}), 9, 0, {});
    blind.update(0.0f);
    EXPECT_EQ(blind.camera(), nullptr);
    blind.render(0.0f);
    EXPECT_FLOAT_EQ(projectionScaleX(), 2.4142137f);
    EXPECT_EQ(lightPosition(0).x, 10.0f);
}

TEST_F(SceneClipTest, LightsOfAnEarlierClipNeverLightALaterOne) {
    sequence::SceneClip first(roots({light(nullptr, 5)}), 0, 0, {});
    sequence::SceneClip second(roots({light(nullptr, 1)}), 0, 0, {});
    for (sequence::SceneClip* clip : {&first, &second}) {
        clip->update(0.0f);
        clip->render(0.0f);
    }
    auto& enabled = backend.device()->lightEnabled;
    for (DWORD i = 0; i < 8; ++i) {
        EXPECT_EQ(enabled[i], i == 1) << "light " << i;
    }
    EXPECT_EQ(backend.device()->renderStates.at(D3DRS_LIGHTING), static_cast<DWORD>(FALSE));
}

TEST_F(SceneClipTest, UpdateAdvancesTheTexturesOfObjectInstanceMaterials) {
    cliptest::CountingTexture sprite;
    cliptest::CountingTexture stage0;
    cliptest::CountingTexture stage1;
    scene::Material material;
    material.spriteTexture = &sprite;
    material.stageTextures = {&stage0, &stage1};
    scene::Material onlyStage1;
    onlyStage1.stageTextures = {nullptr, &stage1};
    cliptest::NotedInstance a(&material);
    cliptest::NotedInstance b(&onlyStage1);
    sequence::SceneClip clip(roots({&a, &b}), 0, 0, {});
    clip.update(4.5f);
    EXPECT_EQ(sprite.updates, 1);
    EXPECT_EQ(stage0.updates, 1);
    EXPECT_EQ(stage1.updates, 2);
    EXPECT_EQ(stage1.lastTime, 4.5f);
    // Without a device an update still works and a render does nothing.
    resetDeviceState();
    clip.update(5.0f);
    clip.render(5.0f);
    EXPECT_EQ(sprite.updates, 2);
    EXPECT_TRUE(a.draws.empty());
}

}  // namespace
