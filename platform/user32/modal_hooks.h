// Test seam for everything that would run a nested modal loop: message boxes, the file dialog
// and modal dialogs. With a hook installed no real modal window is shown: the hook answers for
// the user, so tests script those dialogs and notice a missing or unexpected one. Without a
// hook (the real program) the dialogs are shown and the user answers.
#pragma once

#include "windef.h"

#include <string>

namespace user32 {

struct MessageBoxCall {
    HWND owner = nullptr;
    std::wstring text;
    std::wstring caption;
    UINT type = 0;   // MB_OK / MB_OKCANCEL with the icon flags
};

struct FileDialogCall {
    HWND owner = nullptr;
    bool save = true;
    std::wstring title;
    std::wstring filter;          // NUL-separated label/pattern pairs as passed
    std::wstring defaultExtension;
    std::wstring initialFile;
    std::wstring initialFolder;   // where the dialog opens
    DWORD maxFile = 0;
    DWORD flags = 0;
};

struct FileDialogAnswer {
    bool accepted = false;        // OK pressed
    std::wstring path;            // the path the user chose
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
    virtual void unansweredDialog(UINT templateId) = 0;
    // A dialog of the capture driver (source, format, display, compression) would open; returns
    // whether the user confirmed it. Nothing is changed by the hook's answer alone.
    virtual bool driverDialog(const std::wstring& title) = 0;
};

// Installs (or, with nullptr, removes) the hook; returns the previous one.
ModalHook* SetModalHook(ModalHook* hook);
ModalHook* GetModalHook();

}  // namespace user32
