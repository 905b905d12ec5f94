#include "scripted_modals.h"

#include "live_dialog.h"
#include "user32/window.h"

#include <QDialog>
#include <QString>

#include <gtest/gtest.h>

namespace testing_support {
namespace {
using user32::ToUtf8;

const char* KindName(int kind) {
    static const char* names[] = {"message box", "file dialog", "modal dialog", "live dialog"};
    return names[kind];
}
}  // namespace

ScriptedModals::ScriptedModals() : m_previous(user32::SetModalHook(this)) {}

ScriptedModals::~ScriptedModals() {
    verify();
    user32::SetModalHook(m_previous);
}

void ScriptedModals::expectMessageBox(std::wstring text, UINT buttons, int answer) {
    Expectation e;
    e.kind = Kind::MessageBox;
    e.text = std::move(text);
    e.buttons = buttons;
    e.answer = answer;
    m_expected.push_back(std::move(e));
}

void ScriptedModals::expectMessageBoxStartingWith(std::wstring text, UINT buttons, int answer) {
    expectMessageBox(std::move(text), buttons, answer);
    m_expected.back().textIsPrefix = true;
}

void ScriptedModals::expectFileDialog(user32::FileDialogAnswer answer,
                                      std::function<void(const user32::FileDialogCall&)> check) {
    Expectation e;
    e.kind = Kind::FileDialog;
    e.fileAnswer = std::move(answer);
    e.checkFile = std::move(check);
    m_expected.push_back(std::move(e));
}

void ScriptedModals::expectDialog(UINT templateId, std::function<void(HWND)> act) {
    Expectation e;
    e.kind = Kind::Dialog;
    e.templateId = templateId;
    e.act = std::move(act);
    m_expected.push_back(std::move(e));
}

void ScriptedModals::expectLiveDialog(std::wstring title, std::function<void(LiveDialog&)> act) {
    Expectation e;
    e.kind = Kind::LiveDialog;
    e.text = std::move(title);
    e.actLive = std::move(act);
    m_expected.push_back(std::move(e));
}

void ScriptedModals::expectDriverDialog(std::wstring title, bool confirm) {
    expectLiveDialog(std::move(title), [confirm](LiveDialog& dialog) { dialog.press(confirm ? "OK" : "Cancel"); });
}

void ScriptedModals::verify() {
    for (const Expectation& e : m_expected) {
        ADD_FAILURE() << "expected " << KindName(static_cast<int>(e.kind)) << " never came: " << ToUtf8(e.text)
                      << (e.kind == Kind::Dialog ? " template " + std::to_string(e.templateId) : "");
    }
    m_expected.clear();
}

bool ScriptedModals::next(Kind kind, const std::wstring& what, Expectation& out) {
    if (m_expected.empty() || m_expected.front().kind != kind) {
        ADD_FAILURE() << "unexpected " << KindName(static_cast<int>(kind)) << ": " << ToUtf8(what)
                      << (m_expected.empty() ? std::string(" (none expected)")
                                             : std::string(" (expected a ") +
                                                   KindName(static_cast<int>(m_expected.front().kind)) + ")");
        return false;
    }
    out = std::move(m_expected.front());
    m_expected.pop_front();
    return true;
}

int ScriptedModals::messageBox(const user32::MessageBoxCall& call) {
    m_messageBoxes.push_back(call);
    Expectation e;
    if (!next(Kind::MessageBox, call.text, e)) return IDCANCEL;
    EXPECT_EQ(ToUtf8(e.textIsPrefix ? call.text.substr(0, e.text.size()) : call.text), ToUtf8(e.text));
    EXPECT_EQ(call.type & MB_TYPEMASK, e.buttons) << ToUtf8(call.text);
    return e.answer;
}

user32::FileDialogAnswer ScriptedModals::fileDialog(const user32::FileDialogCall& call) {
    m_fileDialogs.push_back(call);
    Expectation e;
    if (!next(Kind::FileDialog, call.title, e)) return {};
    if (e.checkFile) e.checkFile(call);
    return e.fileAnswer;
}

void ScriptedModals::modalDialog(HWND dialog, UINT templateId) {
    Expectation e;
    if (!next(Kind::Dialog, L"template " + std::to_wstring(templateId), e)) return;
    EXPECT_EQ(templateId, e.templateId);
    if (e.act) e.act(dialog);
}

void ScriptedModals::liveDialog(QDialog& dialog) {
    const std::wstring title = dialog.windowTitle().toStdWString();
    Expectation e;
    if (!next(Kind::LiveDialog, title, e)) {
        dialog.reject();
        return;
    }
    EXPECT_EQ(ToUtf8(title), ToUtf8(e.text));
    LiveDialog live(dialog);
    if (e.actLive) e.actLive(live);
}

void ScriptedModals::unansweredDialog(const std::wstring& dialog) {
    ADD_FAILURE() << "dialog " << ToUtf8(dialog) << " was left open by the script";
}

}  // namespace testing_support
