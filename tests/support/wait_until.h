// Waiting in tests for what happens on its own (frames arriving, a picture being drawn): polls
// while Qt delivers events, instead of sleeping for a guessed time.
#pragma once

#include <chrono>
#include <functional>

namespace testing_support {

// Long enough never to run out on a loaded machine; a test only waits this long when broken.
inline constexpr std::chrono::milliseconds kPatience = std::chrono::seconds(20);

// Whether `condition` held before `patience` ran out.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds patience = kPatience);

}  // namespace testing_support
