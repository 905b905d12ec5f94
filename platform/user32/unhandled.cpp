#include "unhandled.h"

#include "kernel32_private.h"

#include <cstdio>
#include <mutex>
#include <set>
#include <string>
#include <utility>

namespace user32 {

void ReportUnhandledMessage(const char* what, UINT value) {
    static std::mutex mutex;
    static std::set<std::pair<std::string, UINT>> reported;
    std::lock_guard lock(mutex);
    if (reported.emplace(what, value).second) {
        std::fprintf(stderr, "%ls: unhandled %s 0x%04x\n", kernel32::ModuleName().c_str(), what, value);
    }
}

}  // namespace user32
