// Resource and control numbers of the setup dialog, shared by its resource script and its code.
#pragma once

#define VELBRY_SETUP_DIALOG 101
#define VELBRY_ID_FULLSCREEN 1001
#define VELBRY_ID_ANTI_ALIASING 1002
#define VELBRY_ID_BIGSCREEN 1003
