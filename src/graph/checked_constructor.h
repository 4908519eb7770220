// Class-table entries that hold a record to its class's one argument layout before the constructor runs:
// every parameter present and of its kind, nothing more. A record that does not fit is rejected with a
// message naming the class and the argument (ObjectStore::rejectRecord), so a mistyped script stops with
// a reason instead of building an object from misread bits.
//
// Registered as   &constructChecked<"Camera", makeCamera>.   Parameter kinds:
//   std::int32_t    an integer, or tag 0 (0)
//   float           a float, or tag 0 (0.0)
//   T*              a reference to a T, a reference to a record that built nothing, or tag 0 (null)
//   T&              a reference to a T (required)
//   const PointerArray&   a list;   const PointerArray*   a list or tag 0
//   Blob            a blob;   ScriptData   data
#pragma once

#include <algorithm>
#include <cstddef>
#include <span>
#include <string>
#include <type_traits>
#include <utility>

#include "graph/constructor.h"

namespace graph {

// A class name as a template argument.
template <std::size_t N>
struct ClassName {
    char text[N]{};
    constexpr ClassName(const char (&name)[N]) { std::copy_n(name, N, text); }  // NOLINT: implicit on purpose
};

namespace detail {

// What a parameter of type P expects, in words, for messages. A script class may name itself with a
// static kScriptName.
template <typename P>
std::string expectedKind() {
    using Bare = std::remove_cv_t<std::remove_pointer_t<std::remove_reference_t<P>>>;
    if constexpr (std::is_same_v<P, std::int32_t>) {
        return "an integer";
    } else if constexpr (std::is_same_v<P, float>) {
        return "a float";
    } else if constexpr (std::is_same_v<Bare, PointerArray>) {
        return "a list";
    } else if constexpr (std::is_same_v<P, Blob>) {
        return "a blob";
    } else if constexpr (std::is_same_v<P, ScriptData>) {
        return "data";
    } else if constexpr (requires { Bare::kScriptName; }) {
        return std::string("a reference to a ") + Bare::kScriptName;
    } else {
        return "a reference to an object of its class";
    }
}

std::string describeArgument(const ScriptArg& arg);

// Empty when arg fits parameter type P, else why not.
template <typename P>
std::string checkArg(const ScriptArg& arg) {
    using Kind = ScriptArg::Kind;
    using Bare = std::remove_cv_t<std::remove_pointer_t<std::remove_reference_t<P>>>;
    constexpr bool required = std::is_reference_v<P>;
    bool fits = false;
    if constexpr (std::is_same_v<P, std::int32_t>) {
        fits = arg.kind() == Kind::Int || arg.kind() == Kind::Zero;
    } else if constexpr (std::is_same_v<P, float>) {
        fits = arg.kind() == Kind::Float || arg.kind() == Kind::Zero;
    } else if constexpr (std::is_same_v<Bare, PointerArray>) {
        fits = arg.kind() == Kind::List || (!required && arg.kind() == Kind::Zero);
    } else if constexpr (std::is_same_v<P, Blob>) {
        fits = arg.kind() == Kind::Blob;
    } else if constexpr (std::is_same_v<P, ScriptData>) {
        fits = arg.kind() == Kind::Data;
    } else {
        static_assert(std::is_base_of_v<ScriptObject, Bare>, "unsupported constructor parameter");
        if (arg.kind() == Kind::Object) {
            if (arg.asObject<Bare>() != nullptr) {
                return {};
            }
            if (arg.asObject<ScriptObject>() == nullptr) {
                return required ? "must be " + expectedKind<P>() + "; it refers to a record that built nothing"
                                : std::string();
            }
            return "must be " + expectedKind<P>() + "; it refers to an object of another class";
        }
        fits = !required && arg.kind() == Kind::Zero;
    }
    return fits ? std::string() : "must be " + expectedKind<P>() + "; it is " + describeArgument(arg);
}

template <typename P>
decltype(auto) unpackChecked(const ScriptArg& arg) {
    if constexpr (std::is_same_v<P, const PointerArray&>) {
        return *arg.asList();
    } else if constexpr (std::is_reference_v<P>) {
        return *arg.asObject<std::remove_cv_t<std::remove_reference_t<P>>>();
    } else {
        return unpackArg<P>(arg);
    }
}

template <typename Signature>
struct CheckedTraits;

template <typename Result, typename... Params>
struct CheckedTraits<Result* (*)(ObjectStore&, Params...)> {
    static_assert(std::is_base_of_v<ScriptObject, Result>, "constructors return script objects");
    static constexpr std::size_t arity = sizeof...(Params);

    // The first argument that does not fit, as "argument N ...", or empty.
    template <std::size_t... I>
    static std::string check(std::span<const ScriptArg> args, std::index_sequence<I...>) {
        std::string problem;
        ((problem.empty() ? void(problem = numbered(I, checkArg<Params>(args[I]))) : void()), ...);
        return problem;
    }

    template <auto Function, std::size_t... I>
    static ScriptObject* call(ObjectStore& store, std::span<const ScriptArg> args, std::index_sequence<I...>) {
        return Function(store, unpackChecked<Params>(args[I])...);
    }

private:
    static std::string numbered(std::size_t index, std::string problem) {
        return problem.empty() ? problem : "argument " + std::to_string(index + 1) + " " + problem;
    }
};

}  // namespace detail

template <ClassName Name, auto Function>
ScriptObject* constructChecked(ObjectStore& store, std::span<const ScriptArg> args) {
    using Traits = detail::CheckedTraits<decltype(Function)>;
    const std::string name = Name.text;
    if (args.size() != Traits::arity) {
        store.rejectRecord(name + " takes " + std::to_string(Traits::arity) + " arguments; the record has " +
                           std::to_string(args.size()));
        return nullptr;
    }
    const std::string problem = Traits::check(args, std::make_index_sequence<Traits::arity>{});
    if (!problem.empty()) {
        store.rejectRecord(name + ": " + problem);
        return nullptr;
    }
    return Traits::template call<Function>(store, args, std::make_index_sequence<Traits::arity>{});
}

}  // namespace graph
