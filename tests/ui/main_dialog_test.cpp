// The main dialog as the user first meets it: its state after initialisation, its system
// menu, the keys that end it, and its icon while minimised.
#include "KinoreeV2Dlg.h"
#include "capture_requests.h"
#include "scripted_modals.h"
#include "spy_capture_window.h"
#include "user32_private.h"

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QTimer>

#include <gtest/gtest.h>

using testing_support::ScriptedModals;
using testing_support::SpyCaptureWindow;

namespace {

std::wstring Text(HWND dialog, int id) {
    WCHAR text[512] = {};
    GetWindowTextW(GetDlgItem(dialog, id), text, 512);
    return text;
}

class MainDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
        ASSERT_TRUE(InitCommonControlsEx(&init));
        SpyCaptureWindow::reset();
    }

    // Creates the dialog the way the program does, minus the modal loop.
    void open() {
        ASSERT_TRUE(m_dialog.Create(IDD_MAIN));
        m_handle = m_dialog.m_hWnd;
    }

    void TearDown() override {
        if (IsWindow(m_handle)) DestroyWindow(m_handle);
    }

    ScriptedModals m_modals;
    CKinoreeV2Dlg m_dialog;
    HWND m_handle = nullptr;
};

TEST_F(MainDialogTest, StartsWithEmptyStatusNoFramesFifteenFpsAndEverythingEnabled) {
    open();
    EXPECT_EQ(Text(m_handle, 1010), L"");
    EXPECT_EQ(Text(m_handle, 1007), L"0");
    EXPECT_EQ(Text(m_handle, 1008), L"15");
    EXPECT_EQ(Text(m_handle, 1002), L"Preview --");
    // The File Name box names the file a recording will write, as the capture window says.
    EXPECT_EQ(Text(m_handle, 1011), SpyCaptureWindow::config().captureFile);
    for (int id : {1002, 1003, 1004, 1005, 1006, 1000, 1001, IDOK}) {
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(m_handle, id))) << id;
    }
    EXPECT_EQ(m_dialog.m_nPreviewToggle, 1);
    EXPECT_FALSE(m_dialog.m_bFileChosen);
    EXPECT_EQ(SendMessageW(GetDlgItem(m_handle, 1009), UDM_GETRANGE, 0, 0), MAKELONG(60, 1));
    EXPECT_TRUE(m_modals.messageBoxes().empty());
}

TEST_F(MainDialogTest, WithoutCaptureWindowTheBoxNamesThePlatformsDefaultFile) {
    SpyCaptureWindow::config().createFails = true;
    m_modals.expectMessageBox(testing_support::kConnectProblem, MB_OK);
    open();
    WCHAR expected[512] = {};
    ASSERT_TRUE(capGetDefaultCaptureFileW(expected, 512));
    EXPECT_EQ(Text(m_handle, 1011), expected);
    EXPECT_EQ(Text(m_handle, 1011).rfind(L"C:\\", 0), std::wstring::npos);
}

TEST_F(MainDialogTest, SystemMenuEndsWithSeparatorAndAboutItem) {
    open();
    HMENU menu = GetSystemMenu(m_handle, FALSE);
    ASSERT_NE(menu, nullptr);
    int count = GetMenuItemCount(menu);
    ASSERT_GE(count, 2);
    EXPECT_EQ(GetMenuState(menu, static_cast<UINT>(count - 2), MF_BYPOSITION) & MF_SEPARATOR, MF_SEPARATOR);
    EXPECT_EQ(GetMenuItemID(menu, count - 1), static_cast<UINT>(IDM_ABOUTBOX));
    WCHAR text[64] = {};
    GetMenuStringW(menu, static_cast<UINT>(count - 1), text, 64, MF_BYPOSITION);
    EXPECT_STREQ(text, L"&About KinoreeV2...");
}

// Only the identifiers that are IDM_ABOUTBOX once the system's low four bits are cleared open
// the About box; the others are the system's.
TEST_F(MainDialogTest, SystemCommandsReachTheAboutBoxByTheirHighBits) {
    open();
    for (UINT id = 0x10; id <= 0x1F; ++id) {
        m_modals.expectDialog(IDD_ABOUTBOX, [](HWND about) { EndDialog(about, IDOK); });
        SendMessageW(m_handle, WM_SYSCOMMAND, id, 0);
        m_modals.verify();
    }
    for (UINT id : {0x00u, 0x0Fu, 0x20u, 0x110u}) {
        SendMessageW(m_handle, WM_SYSCOMMAND, id, 0);  // default processing: no About box
    }
    SendMessageW(m_handle, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(IsIconic(m_handle));
}

// The system menu opens with Alt+Space, as the window manager's would, and its About item
// reaches the About box through WM_SYSCOMMAND.
TEST_F(MainDialogTest, AltSpaceOpensTheSystemMenuWhoseAboutItemOpensTheAboutBox) {
    open();
    ShowWindow(m_handle, SW_SHOW);
    QStringList items;
    QTimer::singleShot(0, [&items] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return;
        for (QAction* action : menu->actions()) items << action->text();
        menu->actions().last()->trigger();
        menu->close();
    });
    m_modals.expectDialog(IDD_ABOUTBOX, [](HWND about) { EndDialog(about, IDOK); });
    QKeyEvent altSpace(QEvent::KeyPress, Qt::Key_Space, Qt::AltModifier);
    QCoreApplication::sendEvent(user32::FromHandle(GetDlgItem(m_handle, 1000))->widget(), &altSpace);
    EXPECT_EQ(items, (QStringList{"Mi&nimize", "&Close", "", "&About KinoreeV2..."}));
}

TEST_F(MainDialogTest, EscapeAndTheCloseBoxEndTheDialogWithoutAQuestion) {
    open();
    auto* dialog = user32::DialogFromHandle(m_handle);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(user32::FromHandle(GetDlgItem(m_handle, 1000))->widget(), &escape);
    ASSERT_TRUE(dialog->ended());
    EXPECT_EQ(dialog->result(), IDCANCEL);

    TearDown();
    CKinoreeV2Dlg second;
    ASSERT_TRUE(second.Create(IDD_MAIN));
    SendMessageW(second.m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(user32::DialogFromHandle(second.m_hWnd)->ended());
    EXPECT_EQ(user32::DialogFromHandle(second.m_hWnd)->result(), IDCANCEL);
    EXPECT_TRUE(m_modals.messageBoxes().empty());
}

TEST_F(MainDialogTest, CommandsWithoutAnEntryDoNothing) {
    open();
    size_t requests = SpyCaptureWindow::requests().size();
    for (UINT id : {4242u, 1007u, 1008u, 999u}) SendMessageW(m_handle, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
    EXPECT_EQ(SpyCaptureWindow::requests().size(), requests);
    EXPECT_TRUE(IsWindow(m_handle));
    EXPECT_FALSE(user32::DialogFromHandle(m_handle)->ended());
}

// The painted client area shows the icon's own pixels placed with its top-left corner at
// `at`, clipped to the client area, and nothing elsewhere.
bool ShowsIconAt(const QImage& painted, const QImage& icon, QPoint at) {
    for (int y = 0; y < painted.height(); ++y) {
        for (int x = 0; x < painted.width(); ++x) {
            QPoint inIcon(x - at.x(), y - at.y());
            QRgb expected = icon.rect().contains(inIcon) ? icon.pixel(inIcon) : 0;
            if (painted.pixel(x, y) != expected) return false;
        }
    }
    return true;
}

TEST_F(MainDialogTest, MinimisedIconIsCentredRoundingTowardZero) {
    open();
    ShowWindow(m_handle, SW_SHOW);
    SendMessageW(m_handle, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(IsIconic(m_handle));
    QImage icon = user32::IconImage(m_dialog.m_hIcon).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(icon.size(), QSize(32, 32));
    auto* frame = user32::DialogFromHandle(m_handle)->frame();
    struct Case {
        int width, height, x, y;
    };
    // A client smaller than the icon gives a negative odd difference, where rounding toward
    // zero and rounding down differ by a pixel.
    for (Case c : {Case{101, 77, 35, 23}, Case{100, 76, 34, 22}, Case{33, 32, 1, 0}, Case{20, 21, -5, -5}}) {
        frame->setClientSize(QSize(c.width, c.height));
        SendMessageW(m_handle, WM_PAINT, 0, 0);
        QImage painted = user32::LastOffscreenPaint(m_handle).convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(painted.size(), QSize(c.width, c.height));
        EXPECT_TRUE(ShowsIconAt(painted, icon, QPoint(c.x, c.y))) << c.width << "x" << c.height;
    }
}

TEST_F(MainDialogTest, TheIconIsTheDragCursor) {
    open();
    EXPECT_NE(m_dialog.m_hIcon, nullptr);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(m_handle, WM_QUERYDRAGICON, 0, 0)), m_dialog.m_hIcon);
}

}  // namespace
