// The core of the recording Direct3D 9 stand-in used by device tests: one call log shared by every
// recorded object and the fake host, scripted results per method, and reference-count checks.
#pragma once

#include <cstddef>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "device/d3d9_interfaces.h"

namespace recording {

class RecordingDevice;
class RecordingDirect3D;

// One call as "object.Method(args)", followed by " -> result" when the call created an object, returned
// a reference count or failed (the HRESULT's name).
struct Call {
    std::string object;
    std::string method;
    std::string args;
    std::string result;

    std::string text() const;
};

class RecordedObject;

class Backend {
public:
    Backend();
    ~Backend();
    Backend(const Backend&) = delete;
    Backend& operator=(const Backend&) = delete;

    // What the next devices report and how large a window's back buffer is.
    device::D3DCAPS9 caps{};
    device::UINT windowWidth = 800;
    device::UINT windowHeight = 500;

    // The next calls of `method` (on any object) return these results in order; S_OK lets a call behave
    // normally. Then failAlways applies, if set, else normal behaviour.
    void script(std::string_view method, std::initializer_list<device::HRESULT> results);
    void failAlways(std::string_view method, device::HRESULT result = device::E_FAIL);

    // A new Direct3D object with one reference, as Direct3DCreate9 returns it.
    RecordingDirect3D* createDirect3D();
    // A handle that only identifies the window; it prints as "window".
    device::HWND window() { return &windowTag_; }

    const std::vector<Call>& calls() const { return calls_; }
    // Every call as text, optionally only those of one method.
    std::vector<std::string> lines() const;
    std::vector<std::string> lines(std::string_view method) const;
    std::size_t count(std::string_view method) const;
    // The whole log, one call per line, for failure messages.
    std::string transcript() const;
    void clearLog() { calls_.clear(); }

    // Every present-parameter block that CreateDevice received, as it was at the call.
    std::vector<device::D3DPRESENT_PARAMETERS> createDeviceParameters;

    // The newest device, or null before the first successful CreateDevice.
    RecordingDevice* device() const { return newestDevice_; }

    // Over-releases and uses of objects after their last Release, in order of discovery.
    const std::vector<std::string>& violations() const { return violations_; }
    // "name xN" for every object on which the caller still holds references.
    std::vector<std::string> heldReferences() const;

    // The recorded object behind an interface pointer of ours, or null.
    RecordedObject* find(const device::IUnknown* object) const;
    template <class T>
    T* find(const device::IUnknown* object) const {
        return dynamic_cast<T*>(find(object));
    }

    // For the recorded objects.
    void record(Call call) { calls_.push_back(std::move(call)); }
    Call& lastCall() { return calls_.back(); }
    device::HRESULT scriptedResult(std::string_view method);
    void deviceCreated(RecordingDevice* device) { newestDevice_ = device; }
    void violation(std::string text) { violations_.push_back(std::move(text)); }
    // "window" for the host's window, else "hwnd" or "null".
    std::string windowName(device::HWND handle) { return handle == window() ? "window" : handle ? "hwnd" : "null"; }
    // An object argument's name; an object the caller has fully released counts as a violation.
    std::string argument(const device::IUnknown* object);

    // Creates an object named kind plus a running number ("vb1", "vb2"); the backend keeps it alive.
    template <class T, class... Args>
    T* make(std::string_view kind, Args&&... args) {
        std::string name = std::string(kind) + std::to_string(++serials_[std::string(kind)]);
        auto object = std::make_unique<T>(*this, std::move(name), std::forward<Args>(args)...);
        T* raw = object.get();
        adopt(std::move(object), static_cast<device::IUnknown*>(raw));
        return raw;
    }

private:
    void adopt(std::unique_ptr<RecordedObject> object, const device::IUnknown* key);

    std::vector<Call> calls_;
    std::map<std::string, std::deque<device::HRESULT>, std::less<>> scripted_;
    std::map<std::string, device::HRESULT, std::less<>> alwaysFail_;
    std::vector<std::unique_ptr<RecordedObject>> objects_;
    std::map<const device::IUnknown*, RecordedObject*> byInterface_;
    std::map<std::string, int> serials_;
    std::vector<std::string> violations_;
    RecordingDevice* newestDevice_ = nullptr;
    char windowTag_ = 0;
};

// Name, reference count and logging shared by every recorded object. The backend owns the objects, so
// a Release to zero only marks them dead; later calls on them are reported as violations.
class RecordedObject {
public:
    RecordedObject(Backend& backend, std::string name, device::ULONG references = 1);
    virtual ~RecordedObject() = default;
    RecordedObject(const RecordedObject&) = delete;
    RecordedObject& operator=(const RecordedObject&) = delete;

    const std::string& name() const { return name_; }
    device::ULONG references() const { return references_; }
    // Objects the device keeps alive itself (the back buffer) may be used without a caller reference.
    bool ownedByDevice() const { return ownedByDevice_; }
    bool dead() const { return references_ == 0 && !ownedByDevice_; }

protected:
    // Records the call and returns its scripted result (S_OK: behave normally).
    device::HRESULT call(std::string_view method, std::string arguments = {});
    // Marks the call just recorded as refused with D3DERR_INVALIDCALL, as Direct3D refuses bad arguments.
    device::HRESULT invalidCall();
    // Records a call that cannot fail (void, count or reference results).
    void note(std::string_view method, std::string arguments = {}, std::string result = {});
    device::ULONG addReference();
    device::ULONG releaseReference();
    void setOwnedByDevice() { ownedByDevice_ = true; }
    // Counts a reference handed out by a Get method; not a call of its own.
    void handOut() { ++references_; }

    Backend& backend_;

private:
    void checkAlive(std::string_view method);

    std::string name_;
    device::ULONG references_;
    bool ownedByDevice_ = false;

    friend class RecordingDevice;
};

// AddRef and Release for any interface.
template <class Interface>
class Recorded : public Interface, public RecordedObject {
public:
    using RecordedObject::RecordedObject;
    device::ULONG AddRef() override { return addReference(); }
    device::ULONG Release() override { return releaseReference(); }
};

}  // namespace recording
