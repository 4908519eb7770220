// Per-frame node update, camera choice, lights and fog of the scene clip.
#include "sequence/scene_clip.h"

#include <bit>

#include "device/device_state.h"
#include "device/shared_render_state.h"
#include "scene/camera.h"
#include "scene/light.h"
#include "scene/material.h"
#include "texture/texture_upload.h"

namespace sequence {

namespace {

using namespace device;

// pi / 4 as a float32: the field of view of a clip without a camera or of a camera without a value.
constexpr float kDefaultFieldOfView = 0.7853981852531433f;

void advance(texture::TextureUpload* texture, float t) {
    if (texture != nullptr) {
        texture->update(t);
    }
}

}  // namespace

SceneClip::SceneClip(const graph::PointerArray& roots, std::int32_t cameraId, D3DCOLOR ambient, const ClipFog& fog)
    : ambient_(ambient), cameraId_(cameraId), fog_(fog) {
    graph::copyObjectList<scene::SceneNode>(&roots, roots_);
}

void SceneClip::update(float t) {
    camera_ = nullptr;
    flatList_.clear();
    scene::updateWorld(roots_, math::matIdentity(), t, flatList_);
    for (std::int32_t i = 0; i < flatList_.count(); ++i) {
        auto* node = flatList_.valueAt<scene::SceneNode*>(i);
        if (node->type() == scene::NodeType::Camera && node->id() == cameraId_) {
            camera_ = node;
        }
        const scene::Material* material = node->material();
        if (node->type() == scene::NodeType::ObjectInstance && material != nullptr) {
            advance(material->spriteTexture, t);
            advance(material->stageTextures[0], t);
            advance(material->stageTextures[1], t);
        }
    }
}

void SceneClip::placeLights(IDirect3DDevice9& device, const math::Matrix4& view) {
    for (DWORD i = 0; i < static_cast<DWORD>(scene::kLightSlots); ++i) {
        device.LightEnable(i, FALSE);
    }
    for (std::int32_t i = 0; i < flatList_.count(); ++i) {
        if (auto* light = dynamic_cast<scene::Light*>(flatList_.valueAt<scene::SceneNode*>(i))) {
            deviceState().sharedWorld = math::matMultiply(light->sceneMatrix(), view);
            scene::applyLight(device, *light);
        }
    }
}

void SceneClip::render(float t) {
    IDirect3DDevice9* device = deviceState().device.get();
    if (device == nullptr) {
        return;
    }
    math::Matrix4 view = math::matIdentity();
    float fieldOfView = kDefaultFieldOfView;
    if (camera_ != nullptr) {
        // The camera is never drawn.
        camera_->setVisible(false);
        view = math::matRigidInverse(camera_->sceneMatrix());
        const auto* camera = dynamic_cast<scene::Camera*>(camera_);
        if (camera != nullptr && camera->fieldOfView() != nullptr) {
            fieldOfView = camera->fieldOfView()->value(t);
        }
    }
    setPerspectiveProjection(fieldOfView);
    const D3DMATRIX projection = toD3DMatrix(deviceState().sharedProjection);
    device->SetTransform(D3DTS_PROJECTION, &projection);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetRenderState(D3DRS_AMBIENT, ambient_);
    placeLights(*device, view);
    if (fog_.mode != D3DFOG_NONE) {
        device->SetRenderState(D3DRS_FOGENABLE, TRUE);
        device->SetRenderState(D3DRS_FOGCOLOR, fog_.color);
        device->SetRenderState(D3DRS_FOGTABLEMODE, static_cast<DWORD>(fog_.mode));
        // The device reads the two distances as the bits of their floats.
        device->SetRenderState(D3DRS_FOGSTART, std::bit_cast<DWORD>(fog_.start));
        device->SetRenderState(D3DRS_FOGEND, std::bit_cast<DWORD>(fog_.end));
    }
    scene::drawNodes(flatList_, t, scene::RenderPass::Opaque, view);
    scene::drawNodes(flatList_, t, scene::RenderPass::Late, view);
    if (fog_.mode != D3DFOG_NONE) {
        device->SetRenderState(D3DRS_FOGENABLE, FALSE);
    }
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
}

SceneClip* makeSceneClip(graph::ObjectStore& store, const graph::PointerArray& roots, std::int32_t cameraId,
                         std::int32_t ambient, std::int32_t fogMode, std::int32_t fogColor, float fogStart,
                         float fogEnd) {
    if (std::string problem = scene::nodeListProblem(roots); !problem.empty()) {
        store.rejectRecord("SceneClip: argument 1: " + problem);
        return nullptr;
    }
    if (fogMode < static_cast<std::int32_t>(D3DFOG_NONE) || fogMode > static_cast<std::int32_t>(D3DFOG_LINEAR)) {
        store.rejectRecord("SceneClip: argument 4: the fog mode " + std::to_string(fogMode) + " is not 0 to 3");
        return nullptr;
    }
    const ClipFog fog{fogMode, static_cast<D3DCOLOR>(fogColor), fogStart, fogEnd};
    return store.make<SceneClip>(roots, cameraId, static_cast<D3DCOLOR>(ambient), fog);
}

}  // namespace sequence
