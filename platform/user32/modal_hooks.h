// Test seam for everything that would run a nested modal loop: message boxes, the file dialog
// and modal dialogs. With a hook installed no modal loop runs: the hook answers for the user
// (message boxes, the file dialog) or is handed the live dialog to act on as the user would
// (template dialogs, Qt-made dialogs), so tests script those dialogs and notice a missing or
// unexpected one. Without a hook (the real program) the dialogs are shown and the user answers.
#pragma once

#include "windef.h"

#include <string>

class QDialog;

namespace user32 {

struct MessageBoxCall {
    HWND owner = nullptr;
    std::wstring text;
    std::wstring caption;
    UINT type = 0;  // MB_OK / MB_OKCANCEL with the icon flags
};

struct FileDialogCall {
    HWND owner = nullptr;
    bool save = true;
    std::wstring title;
    std::wstring filter;  // NUL-separated label/pattern pairs as passed
    std::wstring defaultExtension;
    std::wstring initialFile;
    std::wstring initialFolder;  // where the dialog opens
    DWORD maxFile = 0;
    DWORD flags = 0;
};

struct FileDialogAnswer {
    bool accepted = false;  // OK pressed
    std::wstring path;      // the path the user chose
};

class ModalHook {
public:
    virtual ~ModalHook() = default;
    // Returns the button pressed: IDOK or IDCANCEL.
    virtual int messageBox(const MessageBoxCall& call) = 0;
    virtual FileDialogAnswer fileDialog(const FileDialogCall& call) = 0;
    // A modal dialog has been created and initialised from template `templateId`. The hook acts
    // on it (sends it messages) and must end it with EndDialog; a dialog the hook leaves open is
    // ended with IDCANCEL and reported through `unansweredDialog`.
    virtual void modalDialog(HWND dialog, UINT templateId) = 0;
    // A Qt-made modal dialog (a capture driver's) has been built and shown without a modal loop.
    // The hook sets its fields and presses its buttons, so that the dialog's own OK and Cancel
    // paths run; one the hook leaves open is rejected and reported through `unansweredDialog`.
    virtual void liveDialog(QDialog& dialog) = 0;
    // `dialog` names it: "template N" or the live dialog's title.
    virtual void unansweredDialog(const std::wstring& dialog) = 0;
};

// Runs a Qt-made dialog modally, or hands it live to the installed hook; returns its result
// (QDialog::Accepted or QDialog::Rejected).
int ExecModalDialog(QDialog& dialog);

// Installs (or, with nullptr, removes) the hook; returns the previous one.
ModalHook* SetModalHook(ModalHook* hook);
ModalHook* GetModalHook();

}  // namespace user32
