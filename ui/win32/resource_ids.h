#pragma once

// Shared by the resource script and the code: plain macros, as the resource compiler reads them.
#define TARNWICK_MENU 101
#define TARNWICK_ICON 102
#define TARNWICK_START_COMMAND 40001
#define TARNWICK_CLOSE_COMMAND 40002
