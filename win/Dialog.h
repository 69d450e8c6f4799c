#pragma once

#include <windows.h>

// A modeless dialog box from a template in the program's resources. Its keyboard handling (Tab, Enter, Esc)
// runs through the application's message loop, which serves one such dialog at a time.
namespace Win {

class Dialog {
public:
    explicit Dialog(WORD templateId) : TemplateId(templateId) {}
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    HWND Hwnd() const { return Window; }
    HWND Item(int id) const { return GetDlgItem(Window, id); }
    void Open();   // creates and shows it in front; one that is open already comes to the front
    void Close();  // runs OnClose, then destroys it

protected:
    virtual void OnInit() {}  // the controls exist; the first in the tab order has the focus
    virtual void OnCommand(WORD /*id*/, WORD /*code*/) {}  // IDCANCEL comes for Esc and the close box too
    virtual void OnClose() {}

private:
    static INT_PTR CALLBACK StaticDlgProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

    WORD TemplateId;
    HWND Window = nullptr;
};

}  // namespace Win
