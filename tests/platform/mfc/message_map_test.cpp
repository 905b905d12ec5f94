// Message maps and data exchange of the dialog framework.
#include "scripted_modals.h"
#include "user32_private.h"

#include "afxcmn.h"
#include "afxwin.h"
#include "commctrl.h"
#include "test_resources.h"

#include <QApplication>
#include <QKeyEvent>

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<std::string> g_calls;

// A dialog over the panel template with a few handlers of its own.
class BaseDialog : public CDialog {
public:
    BaseDialog() : CDialog(IDD_PANEL) {}
    CString m_text;
    int m_number = 0;

protected:
    afx_msg void OnFirst() { g_calls.push_back("base first"); }
    afx_msg void OnSecond() { g_calls.push_back("base second"); }
    void DoDataExchange(CDataExchange* dx) override {
        DDX_Text(dx, 1010, m_text);
        DDX_Text(dx, 1007, m_number);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(BaseDialog, CDialog)
ON_BN_CLICKED(1000, OnFirst)
ON_COMMAND(32772, OnSecond)
END_MESSAGE_MAP()

class DerivedDialog : public BaseDialog {
protected:
    afx_msg void OnFirstAgain() { g_calls.push_back("derived first"); }
    afx_msg void OnCancel() override { g_calls.push_back("derived cancel"); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(DerivedDialog, BaseDialog)
ON_BN_CLICKED(1000, OnFirstAgain)
END_MESSAGE_MAP()

class MessageMapTest : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
        InitCommonControlsEx(&init);
        g_calls.clear();
    }
    testing_support::ScriptedModals m_modals;
};

TEST_F(MessageMapTest, TheMostDerivedEntryWinsAndBaseEntriesStillServe) {
    DerivedDialog dialog;
    ASSERT_TRUE(dialog.Create(IDD_PANEL));
    HWND handle = dialog.m_hWnd;
    SendMessageW(handle, WM_COMMAND, MAKEWPARAM(1000, BN_CLICKED), 0);
    SendMessageW(handle, WM_COMMAND, MAKEWPARAM(32772, 0), 0);
    // Escape reaches the framework's IDCANCEL entry, which calls the overridden OnCancel.
    SendMessageW(handle, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"derived first", "base second", "derived cancel"}));
    EXPECT_FALSE(user32::DialogFromHandle(handle)->ended());
}

TEST_F(MessageMapTest, CommandsWithoutAnEntryOrWithAnotherCodeDoNothing) {
    BaseDialog dialog;
    ASSERT_TRUE(dialog.Create(IDD_PANEL));
    SendMessageW(dialog.m_hWnd, WM_COMMAND, MAKEWPARAM(1001, BN_CLICKED), 0);
    SendMessageW(dialog.m_hWnd, WM_COMMAND, MAKEWPARAM(1000, 5), 0);  // not a click
    EXPECT_TRUE(g_calls.empty());
    // The framework's OK entry ends the dialog after pulling the controls.
    SendMessageW(dialog.m_hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_TRUE(user32::DialogFromHandle(dialog.m_hWnd)->ended());
    EXPECT_EQ(user32::DialogFromHandle(dialog.m_hWnd)->result(), IDOK);
}

class HelpfulApp : public CWinApp {
protected:
    afx_msg void OnHelpAsked() { g_calls.push_back("app help"); }
    afx_msg void OnSecondToo() { g_calls.push_back("app second"); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(HelpfulApp, CWinApp)
ON_COMMAND(ID_HELP, OnHelpAsked)
ON_COMMAND(32772, OnSecondToo)
ON_COMMAND(SC_CLOSE, OnSecondToo)
END_MESSAGE_MAP()

TEST_F(MessageMapTest, CommandsTheDialogLeavesGoOnToTheApplication) {
    HelpfulApp app;
    BaseDialog dialog;
    ASSERT_TRUE(dialog.Create(IDD_PANEL));
    SendMessageW(dialog.m_hWnd, WM_COMMAND, MAKEWPARAM(ID_HELP, 0), 0);
    SendMessageW(dialog.m_hWnd, WM_COMMAND, MAKEWPARAM(32772, 0), 0);     // the dialog's own entry first
    SendMessageW(dialog.m_hWnd, WM_COMMAND, MAKEWPARAM(ID_HELP, 5), 0);   // notifications stay
    SendMessageW(dialog.m_hWnd, WM_COMMAND, MAKEWPARAM(SC_CLOSE, 0), 0);  // as do system commands
    // F1 asks the main window for help, which it leaves to the application.
    app.m_pMainWnd = &dialog;
    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(user32::FromHandle(dialog.m_hWnd)->widget(), &f1);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"app help", "base second", "app help"}));
}

TEST_F(MessageMapTest, DataExchangeGoesBothWays) {
    BaseDialog dialog;
    dialog.m_text = L"Recording single frames";
    dialog.m_number = -12;
    ASSERT_TRUE(dialog.Create(IDD_PANEL));  // initialisation pushes the members
    WCHAR text[64] = {};
    GetWindowTextW(GetDlgItem(dialog.m_hWnd, 1010), text, 64);
    EXPECT_STREQ(text, L"Recording single frames");
    GetWindowTextW(GetDlgItem(dialog.m_hWnd, 1007), text, 64);
    EXPECT_STREQ(text, L"-12");

    SetWindowTextW(GetDlgItem(dialog.m_hWnd, 1010), L"Changed");
    SetWindowTextW(GetDlgItem(dialog.m_hWnd, 1007), L" 2147483647 ");
    EXPECT_TRUE(dialog.UpdateData(TRUE));
    EXPECT_EQ(dialog.m_text, L"Changed");
    EXPECT_EQ(dialog.m_number, 2147483647);
}

TEST_F(MessageMapTest, ABadNumberStopsTheExchangeAndTellsTheUser) {
    BaseDialog dialog;
    ASSERT_TRUE(dialog.Create(IDD_PANEL));
    for (const wchar_t* bad : {L"12a", L"", L"2147483648"}) {
        SetWindowTextW(GetDlgItem(dialog.m_hWnd, 1007), bad);
        dialog.m_number = 5;
        m_modals.expectMessageBox(L"Please enter an integer.", MB_OK);
        EXPECT_FALSE(dialog.UpdateData(TRUE));
        EXPECT_EQ(dialog.m_number, 5);
    }
}

TEST_F(MessageMapTest, ControlsBindToOneObjectEach) {
    BaseDialog dialog;
    ASSERT_TRUE(dialog.Create(IDD_PANEL));
    CButton button;
    CDataExchange dx(&dialog, FALSE);
    DDX_Control(&dx, 1002, button);
    EXPECT_EQ(button.m_hWnd, GetDlgItem(dialog.m_hWnd, 1002));
    button.SetWindowTextW(L"Preview ON");
    WCHAR text[32] = {};
    GetWindowTextW(GetDlgItem(dialog.m_hWnd, 1002), text, 32);
    EXPECT_STREQ(text, L"Preview ON");
    button.EnableWindow(FALSE);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog.m_hWnd, 1002)));
    // Any other control is reached through a temporary object, the same one while it lasts.
    EXPECT_EQ(dialog.GetDlgItem(1002), &button);
    CWnd* edit = dialog.GetDlgItem(1010);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->m_hWnd, GetDlgItem(dialog.m_hWnd, 1010));
    EXPECT_EQ(dialog.GetDlgItem(1010), edit);
    EXPECT_EQ(dialog.GetDlgItem(4242), nullptr);
    // The window dies with its dialog; the object lives on without it.
    DestroyWindow(dialog.m_hWnd);
    EXPECT_EQ(button.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandle(GetDlgItem(dialog.m_hWnd, 1010)), nullptr);
}

}  // namespace
