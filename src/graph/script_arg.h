// One constructor argument of a scene-script record, typed by the tag that wrote it.
// Script values are 32 bits; on 64-bit hosts pointers are not, so an argument keeps its kind and converts
// on request instead of being passed as a raw word.
#pragma once

#include <bit>
#include <cstdint>
#include <span>

#include "graph/pointer_array.h"
#include "graph/script_object.h"

namespace graph {

// A length-prefixed block inside the script: the int32 length field, then that many bytes.
struct Blob {
    const std::uint8_t* lengthField = nullptr;  // null when the argument was not a blob
    std::span<const std::uint8_t> bytes;         // the payload after the length field, bounds-checked
};

class ScriptArg {
public:
    enum class Kind : std::uint8_t { Zero, Int, Float, Object, List, Blob, Data };

    static ScriptArg zero() { return {}; }
    static ScriptArg integer(std::int32_t value);
    static ScriptArg real(std::uint32_t bits);
    static ScriptArg object(ScriptObject* object);
    static ScriptArg list(const PointerArray* list);
    static ScriptArg blob(const std::uint8_t* lengthField, std::span<const std::uint8_t> bytes);
    static ScriptArg data(std::span<const std::uint8_t> bytes);

    Kind kind() const { return kind_; }

    // The argument's 32 bits as an integer (a float argument gives its bit pattern, as a 32-bit call
    // would); 0 for tag 0 and for pointer kinds.
    std::int32_t asInt() const { return static_cast<std::int32_t>(bits_); }
    // The argument's 32 bits as a float (an integer argument is reinterpreted); 0.0 for pointer kinds.
    float asFloat() const { return std::bit_cast<float>(bits_); }

    // The referenced object when it is a T, else null (tag 0, integers, wrong class, failed constructor).
    template <typename T>
    T* asObject() const {
        return kind_ == Kind::Object ? dynamic_cast<T*>(object_) : nullptr;
    }
    // The tag-4 list, or null.
    const PointerArray* asList() const { return kind_ == Kind::List ? list_ : nullptr; }
    // The tag-5 blob, or an empty one.
    Blob asBlob() const { return kind_ == Kind::Blob ? Blob{lengthField_, bytes_} : Blob{}; }
    // The tag-6 data bytes, or an empty span.
    std::span<const std::uint8_t> asData() const { return kind_ == Kind::Data ? bytes_ : std::span<const std::uint8_t>{}; }

private:
    Kind kind_ = Kind::Zero;
    std::uint32_t bits_ = 0;
    ScriptObject* object_ = nullptr;
    const PointerArray* list_ = nullptr;
    const std::uint8_t* lengthField_ = nullptr;
    std::span<const std::uint8_t> bytes_;
};

}  // namespace graph
