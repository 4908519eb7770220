// Reads an XM module through the registered file operations into a Module.
#pragma once

#include <string>

#include "music/module.h"
#include "music/playback_rules.h"

namespace music {

// Null when the file cannot be opened or is not a module this loader accepts; the reason of the last
// failure is kept for tools that report it (lastLoadError). The rules say how the file is read and are
// kept in the module, which playback then plays by.
Module* loadModule(const char* name, SampleDataHook hook, PlaybackRules rules = PlaybackRules::Engine);
const std::string& lastLoadError();
// Waits for the output thread to finish its block, stops playback and deletes the module (null: nothing).
void freeModule(Module* module);

}  // namespace music
