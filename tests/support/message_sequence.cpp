#include "message_sequence.h"

#include "winuser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>

namespace testing_support {
namespace {

struct Watch {
    MessageLog* log;
    WNDPROC original;
    int id;
};

std::map<HWND, Watch>& Watches() {
    static std::map<HWND, Watch> watches;
    return watches;
}

std::string Describe(UINT message, int window, WPARAM wParam, LPARAM lParam) {
    std::ostringstream text;
    text << "0x" << std::hex << message << std::dec << " to " << window << " (" << wParam << ", " << lParam << ")";
    return text.str();
}

}  // namespace

MessageLog::~MessageLog() {
    for (HWND window : m_watched) {
        auto found = Watches().find(window);
        if (found == Watches().end()) continue;
        if (IsWindow(window))
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(found->second.original));
        Watches().erase(found);
    }
}

void MessageLog::watch(HWND window, int id) {
    ASSERT_TRUE(IsWindow(window));
    auto original =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&logging)));
    Watches()[window] = Watch{this, original, id >= 0 ? id : GetDlgCtrlID(window)};
    m_watched.push_back(window);
}

LRESULT CALLBACK MessageLog::logging(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const Watch watch = Watches().at(window);
    MessageLog& log = *watch.log;
    if (std::find(log.m_ignored.begin(), log.m_ignored.end(), message) == log.m_ignored.end()) {
        log.m_log.push_back({window, watch.id, message, wParam, lParam});
    }
    return CallWindowProcW(watch.original, window, message, wParam, lParam);
}

void MessageLog::expect(std::initializer_list<ExpectedMessage> expected, const char* context) {
    std::string failure;
    auto logged = m_log.begin();
    for (const ExpectedMessage& want : expected) {
        const bool matches = logged != m_log.end() && logged->message == want.message && logged->id == want.window &&
                             (!(want.checks & WParam) || logged->wParam == want.wParam) &&
                             (!(want.checks & LParam) || logged->lParam == want.lParam);
        if (matches) {
            ++logged;
        } else if (!(want.checks & Optional)) {
            failure = "expected " + Describe(want.message, want.window, want.wParam, want.lParam);
            break;
        }
    }
    if (failure.empty() && logged != m_log.end()) failure = "nothing more expected";
    if (!failure.empty()) {
        std::string seen;
        for (const LoggedMessage& m : m_log) seen += "\n  " + Describe(m.message, m.id, m.wParam, m.lParam);
        ADD_FAILURE() << context << ": " << failure << "; the log:" << seen;
    }
    m_log.clear();
}

}  // namespace testing_support
