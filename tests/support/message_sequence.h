// Message-sequence checks: the windows a test watches log every message they are sent, and the
// test compares the log with a table of the messages it expects, in order, with what each must
// carry. An entry marked Optional may be missing; anything else missing, extra or different
// fails the test with the whole log.
//
//     MessageLog log;
//     log.watch(dialog);
//     log.watch(GetDlgItem(dialog, IDOK));
//     SendMessageW(dialog, DM_SETDEFID, IDOK, 0);
//     log.expect({{DM_SETDEFID, 0, WParam, IDOK}, {WM_GETDLGCODE, IDOK}, ...}, "moving the default");
#pragma once

#include "windef.h"

#include <initializer_list>
#include <vector>

namespace testing_support {

enum MessageCheck : unsigned {
    WParam = 1,    // wParam must match
    LParam = 2,    // lParam must match
    Optional = 4,  // may be missing from the log
};

struct ExpectedMessage {
    UINT message;
    int window = 0;  // the control identifier of the window it is sent to; 0 for the dialog
    unsigned checks = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

struct LoggedMessage {
    HWND window;
    int id;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

class MessageLog {
public:
    MessageLog() = default;
    ~MessageLog();
    MessageLog(const MessageLog&) = delete;
    MessageLog& operator=(const MessageLog&) = delete;

    // Subclasses the window: its messages are logged on their way to its own procedure. `id`
    // names it in the tables (its control identifier unless given).
    void watch(HWND window, int id = -1);
    // Compares the log so far with `expected` and empties it.
    void expect(std::initializer_list<ExpectedMessage> expected, const char* context);
    void clear() { m_log.clear(); }
    // Leaves out messages the tables do not mention (painting, text queries...).
    void ignore(UINT message) { m_ignored.push_back(message); }

private:
    static LRESULT CALLBACK logging(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    std::vector<LoggedMessage> m_log;
    std::vector<UINT> m_ignored;
    std::vector<HWND> m_watched;
};

}  // namespace testing_support
