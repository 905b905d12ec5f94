#include "modal_hooks.h"

#include <QDialog>

namespace user32 {
namespace {
ModalHook* g_hook = nullptr;
}

ModalHook* SetModalHook(ModalHook* hook) {
    ModalHook* previous = g_hook;
    g_hook = hook;
    return previous;
}

ModalHook* GetModalHook() { return g_hook; }

int ExecModalDialog(QDialog& dialog) {
    ModalHook* hook = GetModalHook();
    if (!hook) return dialog.exec();
    // Shown as exec() would show it, so that what the hook sees and presses is what the user
    // would; only the nested loop is left out.
    dialog.setResult(QDialog::Rejected);
    dialog.setModal(true);
    dialog.show();
    hook->liveDialog(dialog);
    if (dialog.isVisible()) {
        hook->unansweredDialog(dialog.windowTitle().toStdWString());
        dialog.reject();
    }
    return dialog.result();
}

}  // namespace user32
