// Reads back the PNG files that devicecheck writes, for comparing a new picture with a kept one.
#pragma once

#include <string>

#include "pins.h"

namespace devicecheck {

// Any 8-bit PNG, as opaque words 0xFFRRGGBB. False with a message in error when it cannot be read.
bool readPng(const std::string& path, Picture& picture, std::string& error);

}  // namespace devicecheck
