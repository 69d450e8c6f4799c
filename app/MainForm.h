#pragma once

#include "app/Form.h"

// The program's one window: the hot-key legend, the player indicator and the tray icon's owner.
class MainForm : public Form {
public:
    static MainForm& Instance();  // created on first use, never destroyed before the process ends

private:
    MainForm();
    void OnUnload(bool& cancel) override;
};
