// Message maps and data exchange of the dialog framework.
#include "scripted_modals.h"
#include "user32/dialog.h"

#include "afxcmn.h"
#include "afxwin.h"
#include "commctrl.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<std::string> g_calls;

// A dialog over the main template with a few handlers of its own.
class BaseDialog : public CDialog {
public:
    BaseDialog() : CDialog(IDD_MAIN) {}
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
    ASSERT_TRUE(dialog.Create(IDD_MAIN));
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
    ASSERT_TRUE(dialog.Create(IDD_MAIN));
    SendMessageW(dialog.m_hWnd, WM_COMMAND, MAKEWPARAM(1001, BN_CLICKED), 0);
    SendMessageW(dialog.m_hWnd, WM_COMMAND, MAKEWPARAM(1000, 5), 0);  // not a click
    EXPECT_TRUE(g_calls.empty());
    // The framework's OK entry ends the dialog after pulling the controls.
    SendMessageW(dialog.m_hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_TRUE(user32::DialogFromHandle(dialog.m_hWnd)->ended());
    EXPECT_EQ(user32::DialogFromHandle(dialog.m_hWnd)->result(), IDOK);
}

TEST_F(MessageMapTest, DataExchangeGoesBothWays) {
    BaseDialog dialog;
    dialog.m_text = L"Recording single frames";
    dialog.m_number = -12;
    ASSERT_TRUE(dialog.Create(IDD_MAIN));  // initialisation pushes the members
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
    ASSERT_TRUE(dialog.Create(IDD_MAIN));
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
    ASSERT_TRUE(dialog.Create(IDD_MAIN));
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
    // The window dies with its dialog; the object lives on without it.
    DestroyWindow(dialog.m_hWnd);
    EXPECT_EQ(button.m_hWnd, nullptr);
}

}  // namespace
