// stb_image for tests that read back the PNG files a program wrote: its functions are static, so each
// test file that includes this header has its own copy. The include path comes from VELBRY_STB_INCLUDE_DIR.
#pragma once

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wcast-align"
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wnull-dereference"
#include <stb_image.h>
#pragma GCC diagnostic pop
