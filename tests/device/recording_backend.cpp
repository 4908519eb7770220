// The recording backend's log, scripted results and reference bookkeeping.
#include "device/recording_backend.h"

#include "device/recording_device.h"
#include "device/recording_format.h"

namespace recording {

using namespace device;

std::string Call::text() const {
    std::string line = object + "." + method + "(" + args + ")";
    if (!result.empty()) {
        line += " -> " + result;
    }
    return line;
}

Backend::Backend() {
    caps.DeviceType = D3DDEVTYPE_HAL;
    caps.VertexShaderVersion = D3DVS_VERSION(3, 0);
    caps.PixelShaderVersion = D3DPS_VERSION(3, 0);
    caps.MaxTextureWidth = 4096;
    caps.MaxTextureHeight = 4096;
    caps.MaxActiveLights = 8;
    caps.MaxPrimitiveCount = 0xFFFFF;
    caps.MaxVertexIndex = 0xFFFFF;
    caps.MaxStreams = 16;
    caps.MaxStreamStride = 255;
}

Backend::~Backend() = default;

void Backend::script(std::string_view method, std::initializer_list<HRESULT> results) {
    auto& queue = scripted_[std::string(method)];
    queue.insert(queue.end(), results.begin(), results.end());
}

void Backend::failAlways(std::string_view method, HRESULT result) { alwaysFail_[std::string(method)] = result; }

HRESULT Backend::scriptedResult(std::string_view method) {
    if (auto queue = scripted_.find(method); queue != scripted_.end() && !queue->second.empty()) {
        const HRESULT result = queue->second.front();
        queue->second.pop_front();
        return result;
    }
    if (auto always = alwaysFail_.find(method); always != alwaysFail_.end()) {
        return always->second;
    }
    return S_OK;
}

RecordingDirect3D* Backend::createDirect3D() { return make<RecordingDirect3D>("d3d"); }

std::vector<std::string> Backend::lines() const {
    std::vector<std::string> result;
    for (const Call& call : calls_) {
        result.push_back(call.text());
    }
    return result;
}

std::vector<std::string> Backend::lines(std::string_view method) const {
    std::vector<std::string> result;
    for (const Call& call : calls_) {
        if (call.method == method) {
            result.push_back(call.text());
        }
    }
    return result;
}

std::size_t Backend::count(std::string_view method) const {
    std::size_t result = 0;
    for (const Call& call : calls_) {
        result += call.method == method ? 1 : 0;
    }
    return result;
}

std::string Backend::transcript() const {
    std::string text;
    for (const Call& call : calls_) {
        text += call.text() + "\n";
    }
    return text;
}

std::vector<std::string> Backend::heldReferences() const {
    std::vector<std::string> result;
    for (const auto& object : objects_) {
        if (object->references() > 0) {
            result.push_back(object->name() + " x" + std::to_string(object->references()));
        }
    }
    return result;
}

RecordedObject* Backend::find(const IUnknown* object) const {
    const auto found = byInterface_.find(object);
    return found == byInterface_.end() ? nullptr : found->second;
}

std::string Backend::argument(const IUnknown* object) {
    if (object == nullptr) {
        return "null";
    }
    const RecordedObject* recorded = find(object);
    if (recorded == nullptr) {
        return "foreign";
    }
    if (recorded->dead()) {
        violation(recorded->name() + " passed on after its last Release");
    }
    return recorded->name();
}

void Backend::adopt(std::unique_ptr<RecordedObject> object, const IUnknown* key) {
    byInterface_[key] = object.get();
    objects_.push_back(std::move(object));
}

RecordedObject::RecordedObject(Backend& backend, std::string name, ULONG references)
    : backend_(backend), name_(std::move(name)), references_(references) {}

HRESULT RecordedObject::call(std::string_view method, std::string arguments) {
    checkAlive(method);
    const HRESULT hr = backend_.scriptedResult(method);
    backend_.record({name_, std::string(method), std::move(arguments), hr == S_OK ? std::string() : resultName(hr)});
    return hr;
}

HRESULT RecordedObject::invalidCall() {
    backend_.lastCall().result = resultName(D3DERR_INVALIDCALL);
    return D3DERR_INVALIDCALL;
}

void RecordedObject::note(std::string_view method, std::string arguments, std::string result) {
    checkAlive(method);
    backend_.record({name_, std::string(method), std::move(arguments), std::move(result)});
}

ULONG RecordedObject::addReference() {
    note("AddRef", {}, std::to_string(references_ + 1));
    return ++references_;
}

ULONG RecordedObject::releaseReference() {
    if (references_ == 0) {
        backend_.violation(name_ + ".Release() without a reference");
        backend_.record({name_, "Release", {}, "over-release"});
        return 0;
    }
    --references_;
    backend_.record({name_, "Release", {}, std::to_string(references_)});
    return references_;
}

void RecordedObject::checkAlive(std::string_view method) {
    if (dead()) {
        backend_.violation(name_ + "." + std::string(method) + " after its last Release");
    }
}

}  // namespace recording
