#include "app/HotkeysDialog.h"

#include "app/MainMod.h"
#include "win/Ansi.h"
#include "win/Application.h"
#include "win/Controls.h"

namespace {

constexpr size_t kRows = MainMod::kHotkeyRows;

constexpr wchar_t kHeldElsewhere[] = L"in use by another program";
constexpr wchar_t kSameAs[] = L"same as ";
constexpr char kNotKept[] =
    "The keys work now, but Windows could not keep them for the next start (error %lu).";

}  // namespace

HotkeysDialog::HotkeysDialog() : Win::Dialog(HOTKEYS_DIALOG) {
    Win::HotkeyControl::Prepare();
}

HotkeysDialog& HotkeysDialog::Instance() {
    static HotkeysDialog* const dialog = new HotkeysDialog();  // lives as long as the process
    return *dialog;
}

void HotkeysDialog::OnInit() {
    for (size_t row = 0; row < kRows; ++row) {
        const int offset = static_cast<int>(row);
        SetDlgItemTextA(Hwnd(), kFirstName + offset, Win::Ansi::FromWide(MainMod::HotkeyName(row)).c_str());
        const HWND control = Item(kFirstKeyControl + offset);
        Win::HotkeyControl::Watch(control);
        Win::HotkeyControl::Set(control, MainMod::CurrentHotkey(row));
        Opened[row] = MainMod::CurrentHotkey(row);
        Shown[row] = Win::HotkeyControl::Get(control);
    }
    // The first control has the focus before its watch began: the keys go aside now.
    MainMod::SetHotkeysAside(KeyControlHasFocus());
}

void HotkeysDialog::OnCommand(WORD id, WORD code) {
    if (id >= kFirstKeyControl && id < kFirstKeyControl + kRows) {
        if (code == EN_SETFOCUS || code == EN_KILLFOCUS) MainMod::SetHotkeysAside(code == EN_SETFOCUS);
        return;
    }
    switch (id) {
        case IDOK:
            Apply();
            break;
        case IDCANCEL:
            Close();
            break;
        case kDefaultsButton:
            PutDefaults();
            break;
        default:
            break;
    }
}

void HotkeysDialog::OnClose() {
    MainMod::SetHotkeysAside(false);
}

void HotkeysDialog::PutDefaults() {
    for (size_t row = 0; row < kRows; ++row)
        Win::HotkeyControl::Set(Item(kFirstKeyControl + static_cast<int>(row)), MainMod::DesignHotkey(row));
}

void HotkeysDialog::Apply() {
    HotkeySettings::Combination keys[kRows];
    for (size_t row = 0; row < kRows; ++row) {
        // A row left as it was shown keeps its combination, a Windows-key one too, which the control cannot
        // show.
        const auto now = Win::HotkeyControl::Get(Item(kFirstKeyControl + static_cast<int>(row)));
        keys[row] = now == Shown[row] ? Opened[row] : now;
    }
    bool twins = false;
    for (size_t row = 0; row < kRows; ++row) {
        const auto earlier = HotkeySettings::EarlierTwin(keys, row);
        Remark(row, earlier ? kSameAs + MainMod::HotkeyName(*earlier) : std::wstring());
        twins = twins || earlier;
    }
    if (twins) return;
    bool refused[kRows];
    const bool changed = MainMod::ChangeHotkeys(keys, refused);
    for (size_t row = 0; row < kRows; ++row) Remark(row, refused[row] ? kHeldElsewhere : L"");
    if (!changed) return MainMod::SetHotkeysAside(KeyControlHasFocus());
    if (!MainMod::SaveHotkeys()) {
        char text[200];
        wsprintfA(text, kNotKept, GetLastError());
        Win::Application::MsgBox(Win::Ansi::ToWide(text));
    }
    Close();
}

void HotkeysDialog::Remark(size_t row, const std::wstring& remark) {
    SetDlgItemTextA(Hwnd(), kFirstRemark + static_cast<int>(row), Win::Ansi::FromWide(remark).c_str());
}

bool HotkeysDialog::KeyControlHasFocus() const {
    const HWND focus = GetFocus();
    return focus && GetParent(focus) == Hwnd() && GetDlgCtrlID(focus) >= kFirstKeyControl &&
           GetDlgCtrlID(focus) < kFirstKeyControl + static_cast<int>(kRows);
}
