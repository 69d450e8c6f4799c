#pragma once

#include <windows.h>

#include <string>

#include "app/HotkeysDialogIds.h"
#include "app/MainMod.h"
#include "settings/HotkeySettings.h"
#include "win/Dialog.h"

// "Hot Keys": one hot-key control per row of the hot-key table; OK applies at once and keeps the choice.
class HotkeysDialog : public Win::Dialog {
public:
    static HotkeysDialog& Instance();

    // Its controls (app/HotkeysDialogIds.h), for whoever drives it: the rows' hot-key controls in the table's
    // order, which is the tab order too, each with its name and its remark beside it; then OK, Cancel,
    // Defaults.
    static constexpr int kFirstKeyControl = HOTKEYS_KEY;
    static constexpr int kFirstName = HOTKEYS_NAME;
    static constexpr int kFirstRemark = HOTKEYS_REMARK;
    static constexpr int kDefaultsButton = HOTKEYS_DEFAULTS;

private:
    HotkeysDialog();

    void OnInit() override;
    void OnCommand(WORD id, WORD code) override;
    void OnClose() override;

    void Apply();
    void PutDefaults();
    void Remark(size_t row, const std::wstring& remark);  // beside its control
    bool KeyControlHasFocus() const;

    // Per row: the combination it had as the dialog opened, and what its control showed of it then.
    HotkeySettings::Combination Opened[MainMod::kHotkeyRows], Shown[MainMod::kHotkeyRows];
};
