# Script mode: writes a C++ source that defines a function returning a file's bytes.
#   cmake -DINPUT=file -DOUTPUT=file.cpp -DINCLUDE=header.h -DNAMESPACE=ns -DFUNCTION=name -P embed_bytes.cmake
# The function has the signature std::span<const std::uint8_t> ns::name(), declared in INCLUDE.
foreach(required INPUT OUTPUT INCLUDE NAMESPACE FUNCTION)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "embed_bytes.cmake: -D${required}= is missing")
  endif()
endforeach()

file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
if(hex_length EQUAL 0)
  message(FATAL_ERROR "embed_bytes.cmake: ${INPUT} is empty")
endif()
math(EXPR byte_count "${hex_length} / 2")
# Twenty bytes a line: "0x12," each.
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){20})" "\\1\n    " bytes "${bytes}")

get_filename_component(input_name "${INPUT}" NAME)
file(WRITE "${OUTPUT}.tmp"
"// Generated at build time from ${input_name} (${byte_count} bytes); do not edit.
#include \"${INCLUDE}\"

namespace ${NAMESPACE} {
namespace {

constexpr std::uint8_t kBytes[${byte_count}] = {
    ${bytes}
};

}  // namespace

std::span<const std::uint8_t> ${FUNCTION}() { return kBytes; }

}  // namespace ${NAMESPACE}
")
# Only a changed source is rebuilt.
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
