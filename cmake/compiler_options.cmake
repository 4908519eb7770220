# Warnings, determinism and sanitizer settings shared by every target of the project.

# Pictures and sound must come out bit-identical everywhere: no fast-math, no fused multiply-add
# contraction, SSE arithmetic instead of the x87 stack on 32-bit x86, baseline instruction set only.
add_compile_options(-ffp-contract=off)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(i.86|x86)$")
  add_compile_options(-msse2 -mfpmath=sse)
endif()

if(VELBRY_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(VELBRY_FUZZ)
  # Coverage instrumentation for the engine code the fuzz targets reach.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# velbry_warnings(target): the project's warning set, applied to its own code only.
function(velbry_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                         -Wcast-align -Wunused -Woverloaded-virtual)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # GCC 12 reports impossible overlaps inside std::string concatenation at -O3 (GCC bug 105329).
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
  if(VELBRY_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# velbry_library(name SOURCES...): a static library of one subsystem; includes are relative to src/.
function(velbry_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  velbry_warnings(${name})
endfunction()
