// Class-table entries: how a record's typed arguments reach a constructor with an ordinary C++ signature.
// A constructor is written as   Foo* makeFoo(ObjectStore&, Layer* a, float b, std::int32_t c)
// and registered as   &construct<makeFoo>;   the adapter converts argument i to parameter i.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>
#include <utility>

#include "graph/pointer_array.h"
#include "graph/script_arg.h"
#include "graph/script_object.h"

namespace graph {

using Constructor = ScriptObject* (*)(ObjectStore& store, std::span<const ScriptArg> args);
using ClassTable = std::span<const Constructor>;

// Data bytes (tag 6) as a constructor parameter.
struct ScriptData {
    std::span<const std::uint8_t> bytes;
};

namespace detail {

// Converts one argument to the parameter type P. Supported: std::int32_t, float, Blob, ScriptData,
// const PointerArray*, and pointers to classes derived from ScriptObject.
template <typename P>
P unpackArg(const ScriptArg& arg) {
    if constexpr (std::is_same_v<P, std::int32_t>) {
        return arg.asInt();
    } else if constexpr (std::is_same_v<P, float>) {
        return arg.asFloat();
    } else if constexpr (std::is_same_v<P, Blob>) {
        return arg.asBlob();
    } else if constexpr (std::is_same_v<P, ScriptData>) {
        return ScriptData{arg.asData()};
    } else if constexpr (std::is_same_v<P, const PointerArray*>) {
        return arg.asList();
    } else {
        static_assert(std::is_pointer_v<P> &&
                          std::is_base_of_v<ScriptObject, std::remove_cv_t<std::remove_pointer_t<P>>>,
                      "constructor parameters are int32, float, Blob, ScriptData, lists or script objects");
        return arg.asObject<std::remove_cv_t<std::remove_pointer_t<P>>>();
    }
}

// Argument i, or the zero argument when the record has fewer arguments than the constructor takes.
inline const ScriptArg& argAt(std::span<const ScriptArg> args, std::size_t i) {
    static const ScriptArg zeroArg;
    return i < args.size() ? args[i] : zeroArg;
}

template <typename Signature>
struct ConstructorTraits;

template <typename Result, typename... Params>
struct ConstructorTraits<Result* (*)(ObjectStore&, Params...)> {
    static_assert(std::is_base_of_v<ScriptObject, Result>, "constructors return script objects");

    template <auto Function, std::size_t... I>
    static ScriptObject* call(ObjectStore& store, [[maybe_unused]] std::span<const ScriptArg> args,
                              std::index_sequence<I...>) {
        return Function(store, unpackArg<Params>(argAt(args, I))...);
    }
    static constexpr std::size_t arity = sizeof...(Params);
};

}  // namespace detail

// The class-table entry for a constructor function. Missing arguments arrive as zero / null, surplus
// arguments are ignored.
template <auto Function>
ScriptObject* construct(ObjectStore& store, std::span<const ScriptArg> args) {
    using Traits = detail::ConstructorTraits<decltype(Function)>;
    return Traits::template call<Function>(store, args, std::make_index_sequence<Traits::arity>{});
}

// The entry of a class that is not built yet: every record of it yields null.
inline ScriptObject* nullConstructor(ObjectStore&, std::span<const ScriptArg>) { return nullptr; }

// Copies a script list into an array of T pointers, position for position; an entry that is not a T
// becomes null so that indices into the list keep their meaning.
template <typename T>
void copyObjectList(const PointerArray* list, PointerArray& out) {
    out.init(PointerArray::kPointerSize);
    if (list == nullptr) {
        return;
    }
    out.reserve(list->count());
    for (std::int32_t i = 0; i < list->count(); ++i) {
        T* typed = dynamic_cast<T*>(list->valueAt<ScriptObject*>(i));
        out.pushValue(typed);
    }
}

}  // namespace graph
