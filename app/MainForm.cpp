#include "app/MainForm.h"

#include "app/Application.h"
#include "app/MainMod.h"

namespace {

constexpr char kClassName[] = "CorvelMainForm";
constexpr wchar_t kCaption[] = L"Corvel Win2K/XP";
constexpr int kClientWidthTwips = 3525;
constexpr int kClientHeightTwips = 4590;
constexpr WORD kProgramIcon = 1;

}  // namespace

MainForm& MainForm::Instance() {
    // Ends with the process through Application::End, never by a destructor.
    static MainForm* const form = new MainForm();
    return *form;
}

MainForm::MainForm() : Form({kClassName, kCaption, kClientWidthTwips, kClientHeightTwips, kProgramIcon}) {}

void MainForm::OnUnload(bool&) {
    MainMod::RestoreWndProc();
    Application::End();
}
