// The "Hot Keys" dialog's template and controls, shared by its resource script and its code: so plain
// preprocessor numbers. Row n (from 0) has its name at HOTKEYS_NAME + n, its hot-key control at
// HOTKEYS_KEY + n and its remark at HOTKEYS_REMARK + n; the buttons are IDOK, IDCANCEL and HOTKEYS_DEFAULTS.
#pragma once

#define HOTKEYS_DIALOG 100
#define HOTKEYS_KEY 1000
#define HOTKEYS_NAME 1100
#define HOTKEYS_REMARK 1200
#define HOTKEYS_DEFAULTS 1300
