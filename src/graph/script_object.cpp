// Ownership of the built graph.
#include "graph/script_object.h"

namespace graph {

PointerArray* ObjectStore::makeList() {
    lists_.push_back(std::make_unique<PointerArray>(PointerArray::kPointerSize));
    return lists_.back().get();
}

}  // namespace graph
