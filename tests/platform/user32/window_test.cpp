// Window handles and messages: synchronous sends, subclassing, destruction of a window with its
// children, and the one table every kind of handle lives in.
#include "icon.h"
#include "menu.h"
#include "paint.h"
#include "window.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

std::vector<std::string> g_log;

class LoggingWindow : public user32::Window {
public:
    LoggingWindow(std::string name, QWidget* parent, DWORD style)
        : Window(new QWidget(parent), style, 0, 7), m_name(std::move(name)) {}

    LRESULT classProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_DESTROY) g_log.push_back(m_name + " destroy");
        if (message == WM_NCDESTROY) g_log.push_back(m_name + " ncdestroy");
        if (message == WM_USER + 1) return static_cast<LRESULT>(wParam * 2 + lParam);
        return Window::classProc(message, wParam, lParam);
    }

private:
    std::string m_name;
};

HWND Make(const std::string& name, HWND parent = nullptr, DWORD style = WS_CHILD) {
    user32::Window* parentWindow = user32::FromHandle(parent);
    return user32::Window::registerInHandleTable(
        std::make_unique<LoggingWindow>(name, parentWindow ? parentWindow->widget() : nullptr, style), parentWindow);
}

WNDPROC g_original = nullptr;
LRESULT CALLBACK Doubling(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = CallWindowProcW(g_original, window, message, wParam, lParam);
    return message == WM_USER + 1 ? result * 2 : result;
}

TEST(WindowTest, SendReachesTheProcedureAtOnceAndSubclassingWrapsIt) {
    HWND window = Make("w");
    EXPECT_EQ(SendMessageW(window, WM_USER + 1, 20, 2), 42);
    g_original =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Doubling)));
    EXPECT_EQ(SendMessageW(window, WM_USER + 1, 20, 2), 84);

    EXPECT_TRUE(SetWindowTextW(window, L"Video Window"));
    WCHAR text[6] = {};
    EXPECT_EQ(GetWindowTextW(window, text, 6), 5);  // truncated to the buffer, terminated
    EXPECT_STREQ(text, L"Video");
    EXPECT_EQ(GetWindowTextLengthW(window), 12);
    DestroyWindow(window);
}

TEST(WindowTest, DestroyingAParentDestroysItsChildrenAndRetiresEveryHandle) {
    g_log.clear();
    HWND parent = Make("parent");
    HWND child = Make("child", parent);
    HWND grandchild = Make("grandchild", child);
    EXPECT_EQ(GetParent(grandchild), child);
    EXPECT_EQ(GetDlgItem(parent, 7), child);

    ASSERT_TRUE(DestroyWindow(parent));
    for (HWND gone : {parent, child, grandchild}) EXPECT_FALSE(IsWindow(gone));
    EXPECT_EQ(g_log, (std::vector<std::string>{"parent destroy", "child destroy", "grandchild destroy",
                                               "grandchild ncdestroy", "child ncdestroy", "parent ncdestroy"}));
    // A stale handle names nothing, not even a newer window, and sends nowhere.
    HWND newer = Make("newer");
    EXPECT_NE(newer, parent);
    EXPECT_NE(newer, child);
    EXPECT_EQ(SendMessageW(child, WM_USER + 1, 1, 1), 0);
    EXPECT_FALSE(DestroyWindow(child));
    DestroyWindow(newer);
}

TEST(WindowTest, DestroyingAChildLeavesItsParent) {
    HWND parent = Make("parent");
    HWND child = Make("child", parent);
    DestroyWindow(child);
    EXPECT_TRUE(IsWindow(parent));
    EXPECT_EQ(GetDlgItem(parent, 7), nullptr);
    DestroyWindow(parent);
}

TEST(WindowTest, HandlesKeepTheirKindAndAreFreedByTheirOwners) {
    HWND window = Make("w", nullptr, WS_POPUP | WS_SYSMENU);
    HMENU systemMenu = GetSystemMenu(window, FALSE);
    ASSERT_TRUE(IsMenu(systemMenu));
    HICON icon = user32::CreateIconFromImage(QImage(16, 16, QImage::Format_ARGB32));
    EXPECT_FALSE(IsWindow(reinterpret_cast<HWND>(systemMenu)));
    EXPECT_FALSE(IsMenu(reinterpret_cast<HMENU>(window)));
    EXPECT_FALSE(DestroyMenu(reinterpret_cast<HMENU>(icon)));
    EXPECT_FALSE(DestroyIcon(reinterpret_cast<HICON>(systemMenu)));

    EXPECT_TRUE(DestroyIcon(icon));
    EXPECT_TRUE(user32::IconImage(icon).isNull());
    EXPECT_FALSE(DestroyIcon(icon));

    HMENU bar = user32::CreateMenuHandle();
    HMENU popup = user32::CreateMenuHandle();
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), L"&File");
    EXPECT_TRUE(DestroyMenu(bar));
    EXPECT_FALSE(IsMenu(popup)) << "a menu's popups go with it";

    PAINTSTRUCT paint;
    ASSERT_TRUE(BeginPaint(window, &paint));  // outside a paint event: a picture of its own
    EndPaint(window, &paint);
    EXPECT_FALSE(user32::LastOffscreenPaint(window).isNull());

    DestroyWindow(window);
    EXPECT_FALSE(IsMenu(systemMenu)) << "a window's menus go with it";
    EXPECT_TRUE(user32::LastOffscreenPaint(window).isNull()) << "and so does its last picture";
}

TEST(WindowDeathTest, MessagesAreSentOnTheGuiThreadOnly) {
    HWND window = Make("w");
    EXPECT_DEATH(std::thread([window] { SendMessageW(window, WM_USER + 1, 0, 0); }).join(), "outside the GUI thread");
    DestroyWindow(window);
}

}  // namespace
