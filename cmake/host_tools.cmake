# The programs the build runs on its own data (the soundtrack's xmbuild, the scene script's writer). A
# cross build cannot run what it compiles, so it builds them once more for this machine, in one nested
# native build under host-tools/ of its build folder; velbry_host_tool() says how to run either kind.
include_guard(GLOBAL)

set(velbry_host_tools_native ON)
if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  set(velbry_host_tools_native OFF)
  set(velbry_host_tools_dir ${CMAKE_BINARY_DIR}/host-tools)
  set(velbry_host_xmbuild ${velbry_host_tools_dir}/tools/xmbuild/xmbuild)
  set(velbry_host_samplescript ${velbry_host_tools_dir}/tools/samplescript/samplescript)
  include(ExternalProject)
  # No toolchain file is passed on, so the nested configure finds this machine's compilers.
  ExternalProject_Add(velbry_host_tools
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${velbry_host_tools_dir}
    CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DVELBRY_TESTS=OFF -DVELBRY_BENCH=OFF
               -DCMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER}
               -DCMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER}
    BUILD_COMMAND ${CMAKE_COMMAND} --build ${velbry_host_tools_dir} --target xmbuild samplescript
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${velbry_host_xmbuild} ${velbry_host_samplescript}
    INSTALL_COMMAND "")
endif()

# velbry_host_tool(TARGET COMMAND_VAR DEPENDS_VAR): sets COMMAND_VAR to what runs the program TARGET on
# this machine and DEPENDS_VAR to what a custom command running it depends on.
function(velbry_host_tool target command_var depends_var)
  if(velbry_host_tools_native)
    set(${command_var} $<TARGET_FILE:${target}> PARENT_SCOPE)
    set(${depends_var} ${target} PARENT_SCOPE)
  else()
    set(${command_var} ${velbry_host_${target}} PARENT_SCOPE)
    set(${depends_var} velbry_host_tools ${velbry_host_${target}} PARENT_SCOPE)
  endif()
endfunction()
