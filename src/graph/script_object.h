// Base of every object the scene script builds, and the store that owns them for the life of the graph.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "graph/pointer_array.h"

namespace graph {

// Every class of the class table derives from this, so that a back-reference can be checked against
// the type its constructor expects (a mismatch reads as null instead of a misinterpreted object).
class ScriptObject {
public:
    virtual ~ScriptObject() = default;
};

// Owns everything a graph build creates: the objects and the script's list arrays. Objects refer to each
// other by plain pointer and are never freed before the store.
class ObjectStore {
public:
    template <typename T, typename... Args>
    T* make(Args&&... args) {
        auto object = std::make_unique<T>(std::forward<Args>(args)...);
        T* raw = object.get();
        objects_.push_back(std::move(object));
        return raw;
    }

    // A new empty array of object pointers, owned by the store.
    PointerArray* makeList();

    std::size_t objectCount() const { return objects_.size(); }

    // A constructor that cannot build its object from the record's arguments says why here and returns
    // null; the build then stops with this reason, naming the record.
    void rejectRecord(std::string reason) { rejection_ = std::move(reason); }
    // The reason given since the last call (empty when none), forgotten afterwards.
    std::string takeRejection() { return std::exchange(rejection_, std::string()); }

private:
    std::vector<std::unique_ptr<ScriptObject>> objects_;
    std::vector<std::unique_ptr<PointerArray>> lists_;
    std::string rejection_;
};

}  // namespace graph
