// Scripts the dialogs a test expects (message boxes, file dialogs, template dialogs and live
// Qt-made dialogs) with the user's answers. An unexpected dialog, or one out of order, fails the
// test; so does an expected one that never came, when the script is destroyed, and a template or
// live dialog the script leaves open.
#pragma once

#include "testing/seams.h"
#include "winuser.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace testing_support {

class LiveDialog;

class ScriptedModals : public user32::ModalHook {
public:
    ScriptedModals();
    ~ScriptedModals() override;
    ScriptedModals(const ScriptedModals&) = delete;
    ScriptedModals& operator=(const ScriptedModals&) = delete;

    // The next dialog is a message box with exactly this text and button type (MB_OK or
    // MB_OKCANCEL); the user presses `answer`.
    void expectMessageBox(std::wstring text, UINT buttons, int answer = IDOK);
    // The same for a text that begins so, where the rest (a path the program chose) varies.
    void expectMessageBoxStartingWith(std::wstring text, UINT buttons, int answer = IDOK);
    // The next dialog is the file dialog; `check` looks at what it was told.
    void expectFileDialog(user32::FileDialogAnswer answer,
                          std::function<void(const user32::FileDialogCall&)> check = {});
    // The next dialog is the modal dialog of this template; `act` plays the user and must end it.
    void expectDialog(UINT templateId, std::function<void(HWND)> act);
    // The next dialog is the Qt-made dialog titled `title` (a capture driver's); `act` plays the
    // user on it (live_dialog.h) and must close it, with OK or Cancel for instance.
    void expectLiveDialog(std::wstring title, std::function<void(LiveDialog&)> act);
    // The same, where the user only presses OK (`confirm`) or Cancel.
    void expectDriverDialog(std::wstring title, bool confirm = true);

    // Everything shown so far, in order.
    const std::vector<user32::MessageBoxCall>& messageBoxes() const { return m_messageBoxes; }
    const std::vector<user32::FileDialogCall>& fileDialogs() const { return m_fileDialogs; }
    // Fails the test for expected dialogs that have not come.
    void verify();

    int messageBox(const user32::MessageBoxCall& call) override;
    user32::FileDialogAnswer fileDialog(const user32::FileDialogCall& call) override;
    void modalDialog(HWND dialog, UINT templateId) override;
    void liveDialog(QDialog& dialog) override;
    void unansweredDialog(const std::wstring& dialog) override;

private:
    enum class Kind { MessageBox, FileDialog, Dialog, LiveDialog };
    struct Expectation {
        Kind kind = Kind::MessageBox;
        std::wstring text;
        bool textIsPrefix = false;
        UINT buttons = 0;
        int answer = 0;
        user32::FileDialogAnswer fileAnswer;
        std::function<void(const user32::FileDialogCall&)> checkFile;
        UINT templateId = 0;
        std::function<void(HWND)> act;
        std::function<void(LiveDialog&)> actLive;
    };
    bool next(Kind kind, const std::wstring& what, Expectation& out);

    user32::ModalHook* m_previous;
    std::deque<Expectation> m_expected;
    std::vector<user32::MessageBoxCall> m_messageBoxes;
    std::vector<user32::FileDialogCall> m_fileDialogs;
};

}  // namespace testing_support
