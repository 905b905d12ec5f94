// Records what the program asks the shell to open, instead of opening it.
#pragma once

#include "seams.h"

#include <vector>

namespace testing_support {

class ShellRecorder {
public:
    ShellRecorder() {
        shell32::SetShellOpenRecorder([this](const shell32::ShellOpen& open) { opened.push_back(open); });
    }
    ~ShellRecorder() { shell32::SetShellOpenRecorder({}); }
    ShellRecorder(const ShellRecorder&) = delete;
    ShellRecorder& operator=(const ShellRecorder&) = delete;

    std::vector<shell32::ShellOpen> opened;
};

}  // namespace testing_support
