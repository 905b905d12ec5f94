// The About box (Help > About and the system menu) and the two web links.
#include "main_dialog_harness.h"
#include "scripted_modals.h"
#include "shell_recorder.h"

#include <QApplication>
#include <QKeyEvent>

#include <gtest/gtest.h>

namespace {

using namespace testing_support;

const std::wstring kHomePage = L"http://www.orvane.example";
const std::wstring kInfoPage = L"http://www.orvane.example/kinoreeinfo.html";

class AboutTest : public ::testing::Test {
protected:
    // The About box is expected; `act` plays the user on it and must end it.
    void expectAboutBox(std::function<void(HWND)> act) {
        m_modals.expectDialog(IDD_ABOUTBOX, [this, act](HWND box) {
            WCHAR caption[128] = {};
            GetWindowTextW(box, caption, 128);
            EXPECT_STREQ(caption, L"About Kinoree Version 2.0 About");
            // The main dialog waits while the box is open; the box itself takes input.
            EXPECT_FALSE(IsWindowEnabled(m_harness.hwnd()));
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(box, IDOK)));
            act(box);
        });
    }
    static void press(HWND box, int id) { SendMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

    ScriptedModals m_modals;
    ShellRecorder m_shell;
    MainDialogHarness m_harness;
};

TEST_F(AboutTest, HelpAboutAndTheSystemMenuItemOpenTheSameBox) {
    expectAboutBox([](HWND box) { press(box, IDOK); });
    m_harness.command(32772);
    // Every system command that is the About item once its low four bits are cleared.
    for (WPARAM command : {WPARAM{0x0010}, WPARAM{0x0013}, WPARAM{0x001F}}) {
        expectAboutBox([](HWND box) { press(box, IDOK); });
        SendMessageW(m_harness.hwnd(), WM_SYSCOMMAND, command, 0);
    }
    m_modals.verify();
    EXPECT_TRUE(IsWindowEnabled(m_harness.hwnd()));
}

TEST_F(AboutTest, OtherSystemCommandsDoNotOpenIt) {
    SendMessageW(m_harness.hwnd(), WM_SYSCOMMAND, 0x0020, 0);
    SendMessageW(m_harness.hwnd(), WM_SYSCOMMAND, 0x0000, 0);
    EXPECT_FALSE(m_harness.ended());
}

TEST_F(AboutTest, EveryWayOfEndingTheBoxLeavesTheRecordingAsItWas) {
    m_harness.click(1000);
    auto before = m_harness.snapshot();
    const std::vector<std::function<void(HWND)>> endings{
        [](HWND box) { press(box, IDOK); },
        // Enter, on OK: the box opens with the focus there, its first tab stop. (Elsewhere Enter
        // would press Website, the template's last default push button.)
        [](HWND box) {
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(user32::FromHandle(GetDlgItem(box, IDOK))->widget(), &enter);
        },
        [](HWND box) { press(box, IDCANCEL); },               // Escape
        [](HWND box) { SendMessageW(box, WM_CLOSE, 0, 0); },  // the close box
    };
    for (const auto& end : endings) {
        expectAboutBox(end);
        m_harness.command(32772);
        m_modals.verify();
        EXPECT_TRUE(IsWindowEnabled(m_harness.hwnd()));
        EXPECT_EQ(m_harness.snapshot(), before);
    }
}

TEST_F(AboutTest, WebsiteAsksTheShellEachTimeAndKeepsTheBoxOpen) {
    HWND aboutBox = nullptr;
    expectAboutBox([&](HWND box) {
        aboutBox = box;
        for (int i = 0; i < 3; ++i) {
            press(box, 1012);
            EXPECT_FALSE(user32::DialogFromHandle(box)->ended());
        }
        press(box, IDOK);
    });
    m_harness.command(32772);
    ASSERT_EQ(m_shell.opened.size(), 3u);
    for (const shell32::ShellOpen& open : m_shell.opened) {
        EXPECT_EQ(open.owner, aboutBox);
        EXPECT_EQ(open.verb, L"open");
        EXPECT_EQ(open.file, kHomePage);
        EXPECT_EQ(open.showCommand, SW_HIDE);
    }
}

TEST_F(AboutTest, CheckWebsiteOpensTheInfoPageAndTouchesNothingElse) {
    m_harness.click(1000);
    m_harness.click(1000);
    auto before = m_harness.snapshot();
    m_harness.command(32775);
    m_harness.command(32775);
    EXPECT_EQ(m_harness.snapshot(), before);
    ASSERT_EQ(m_shell.opened.size(), 2u);
    for (const shell32::ShellOpen& open : m_shell.opened) {
        EXPECT_EQ(open.owner, m_harness.hwnd());
        EXPECT_EQ(open.verb, L"open");
        EXPECT_EQ(open.file, kInfoPage);
        EXPECT_EQ(open.showCommand, SW_HIDE);
    }
}

}  // namespace
