// The up-down control: its range, its buddy, the platform's word packing, and the keys.
#include "message_sequence.h"
#include "user32_private.h"

#include "commctrl.h"
#include "test_resources.h"

#include <QApplication>
#include <QKeyEvent>

#include <gtest/gtest.h>

namespace {

INT_PTR CALLBACK NoProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

class UpDownTest : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
        ASSERT_TRUE(InitCommonControlsEx(&init));
        m_dialog = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_PANEL), nullptr, &NoProc, 0);
        ASSERT_NE(m_dialog, nullptr);
        m_spin = GetDlgItem(m_dialog, 1009);
        m_buddy = GetDlgItem(m_dialog, 1008);
        SendMessageW(m_spin, UDM_SETRANGE, 0, 0x0001003C);
        SendMessageW(m_spin, UDM_SETPOS, 0, 15);
    }
    void TearDown() override { DestroyWindow(m_dialog); }

    std::wstring buddyText() {
        WCHAR text[16] = {};
        GetWindowTextW(m_buddy, text, 16);
        return text;
    }
    void key(Qt::Key key, int times) {
        for (int i = 0; i < times; ++i) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QApplication::sendEvent(user32::FromHandle(m_buddy)->widget(), &press);
        }
    }

    HWND m_dialog = nullptr;
    HWND m_spin = nullptr;
    HWND m_buddy = nullptr;
};

TEST_F(UpDownTest, TakesThePreviousControlAsBuddyAndSitsAtItsLeft) {
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessageW(m_spin, UDM_GETBUDDY, 0, 0)), m_buddy);
    QRect spin = user32::FromHandle(m_spin)->widget()->geometry();
    QRect buddy = user32::FromHandle(m_buddy)->widget()->geometry();
    EXPECT_EQ(spin.right() + 1, buddy.left());
    EXPECT_EQ(spin.top(), buddy.top());
    EXPECT_EQ(spin.height(), buddy.height());
    EXPECT_EQ(buddyText(), L"15");
    EXPECT_EQ(SendMessageW(m_spin, UDM_GETPOS, 0, 0), MAKELONG(15, 0));
}

TEST_F(UpDownTest, ArrowKeysStopAtTheEndsOfTheRange) {
    key(Qt::Key_Up, 50);
    EXPECT_EQ(buddyText(), L"60");
    EXPECT_EQ(LOWORD(SendMessageW(m_spin, UDM_GETPOS, 0, 0)), 60);
    key(Qt::Key_Down, 70);
    EXPECT_EQ(buddyText(), L"1");
    key(Qt::Key_Up, 1);
    EXPECT_EQ(buddyText(), L"2");
}

TEST_F(UpDownTest, MessagesCannotPutThePositionOutsideTheRange) {
    EXPECT_EQ(SendMessageW(m_spin, UDM_SETPOS, 0, MAKELPARAM(100, 0)), 15);  // the previous position
    EXPECT_EQ(SendMessageW(m_spin, UDM_GETPOS, 0, 0), MAKELONG(60, 0));
    SendMessageW(m_spin, UDM_SETPOS, 0, MAKELPARAM(-5, 0));
    EXPECT_EQ(SendMessageW(m_spin, UDM_GETPOS, 0, 0), MAKELONG(1, 0));
    SendMessageW(m_spin, UDM_SETPOS32, 0, 1000000);
    EXPECT_EQ(buddyText(), L"60");
    // A narrower range pulls the position in with it.
    SendMessageW(m_spin, UDM_SETRANGE, 0, MAKELPARAM(30, 10));
    EXPECT_EQ(SendMessageW(m_spin, UDM_GETRANGE, 0, 0), MAKELONG(30, 10));
    EXPECT_EQ(buddyText(), L"30");
}

TEST_F(UpDownTest, ABuddyThatHoldsNoNumberInRangeIsReportedInTheHighWord) {
    for (const wchar_t* bad : {L"abc", L"75", L"0", L""}) {
        SetWindowTextW(m_buddy, bad);
        LRESULT reply = SendMessageW(m_spin, UDM_GETPOS, 0, 0);
        EXPECT_NE(HIWORD(reply), 0) << bad;
        EXPECT_EQ(LOWORD(reply), 15) << bad;
    }
    SetWindowTextW(m_buddy, L"42");
    EXPECT_EQ(SendMessageW(m_spin, UDM_GETPOS, 0, 0), MAKELONG(42, 0));
}

TEST_F(UpDownTest, ADisabledControlIgnoresTheKeys) {
    EnableWindow(m_spin, FALSE);
    key(Qt::Key_Up, 3);
    EXPECT_EQ(buddyText(), L"15");
}

// The up-down watches its buddy by subclassing it: the arrow keys reach it as the buddy's own
// WM_KEYDOWN, which it takes; other keys go on to the buddy.
TEST_F(UpDownTest, TheBuddysArrowKeysAreItsOwnMessagesTakenByTheUpDown) {
    using namespace testing_support;
    MessageLog log;
    log.watch(m_buddy);
    log.ignore(WM_GETTEXT);
    log.ignore(WM_GETTEXTLENGTH);
    key(Qt::Key_Up, 1);
    log.expect({{WM_GETDLGCODE, 1008, WParam, VK_UP}, {WM_KEYDOWN, 1008, WParam, VK_UP}, {WM_SETTEXT, 1008}},
               "Up steps the position");
    EXPECT_EQ(buddyText(), L"16");
    key(Qt::Key_Home, 1);
    log.expect({{WM_GETDLGCODE, 1008, WParam, VK_HOME}, {WM_KEYDOWN, 1008, WParam, VK_HOME}}, "Home is the box's");
    EXPECT_EQ(buddyText(), L"16");
}

}  // namespace
