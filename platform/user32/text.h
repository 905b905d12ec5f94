// Text as the platform's functions hand it out, shared by every library here.
#pragma once

#include "windef.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

namespace user32 {

// Copies what fits of `text` into a buffer of `bufferMax` characters, always terminated, as
// GetWindowText, LoadString and their kin do; returns the characters copied, without the NUL.
inline size_t CopyTruncated(std::wstring_view text, LPWSTR buffer, size_t bufferMax) {
    if (!buffer || bufferMax == 0) return 0;
    const size_t count = std::min(text.size(), bufferMax - 1);
    std::copy_n(text.data(), count, buffer);
    buffer[count] = L'\0';
    return count;
}

}  // namespace user32
