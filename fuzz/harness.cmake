# The fuzz harnesses as a library, so that the regression tests replay kept inputs through the same code.
add_library(velbry_fuzz_harness STATIC ${PROJECT_SOURCE_DIR}/fuzz/graph_builder_harness.cpp
            ${PROJECT_SOURCE_DIR}/fuzz/module_loader_harness.cpp)
target_include_directories(velbry_fuzz_harness PUBLIC ${PROJECT_SOURCE_DIR}/fuzz)
target_link_libraries(velbry_fuzz_harness PUBLIC velbry_shell velbry_music velbry_font_factory)
velbry_warnings(velbry_fuzz_harness)
