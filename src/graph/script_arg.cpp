// Construction of typed script arguments.
#include "graph/script_arg.h"

namespace graph {

ScriptArg ScriptArg::integer(std::int32_t value) {
    ScriptArg arg;
    arg.kind_ = Kind::Int;
    arg.bits_ = static_cast<std::uint32_t>(value);
    return arg;
}

ScriptArg ScriptArg::real(std::uint32_t bits) {
    ScriptArg arg;
    arg.kind_ = Kind::Float;
    arg.bits_ = bits;
    return arg;
}

ScriptArg ScriptArg::object(ScriptObject* object) {
    ScriptArg arg;
    arg.kind_ = Kind::Object;
    arg.object_ = object;
    return arg;
}

ScriptArg ScriptArg::list(const PointerArray* list) {
    ScriptArg arg;
    arg.kind_ = Kind::List;
    arg.list_ = list;
    return arg;
}

ScriptArg ScriptArg::blob(const std::uint8_t* lengthField, std::span<const std::uint8_t> bytes) {
    ScriptArg arg;
    arg.kind_ = Kind::Blob;
    arg.lengthField_ = lengthField;
    arg.bytes_ = bytes;
    return arg;
}

ScriptArg ScriptArg::data(std::span<const std::uint8_t> bytes) {
    ScriptArg arg;
    arg.kind_ = Kind::Data;
    arg.bytes_ = bytes;
    return arg;
}

}  // namespace graph
