// Words for the arguments a checked constructor refuses.
#include "graph/checked_constructor.h"

namespace graph::detail {

std::string describeArgument(const ScriptArg& arg) {
    switch (arg.kind()) {
    case ScriptArg::Kind::Zero:
        return "tag 0";
    case ScriptArg::Kind::Int:
        return "an integer";
    case ScriptArg::Kind::Float:
        return "a float";
    case ScriptArg::Kind::Object:
        return "a reference";
    case ScriptArg::Kind::List:
        return "a list";
    case ScriptArg::Kind::Blob:
        return "a blob";
    case ScriptArg::Kind::Data:
        return "data";
    }
    return "an argument of unknown kind";
}

}  // namespace graph::detail
