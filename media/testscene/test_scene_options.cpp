#include "media/testscene/test_scene_options.h"

#include <charconv>
#include <string>

namespace media {
namespace {

constexpr std::string_view kPrefix = "test";
constexpr std::string_view kReplayPrefix = "test-mjpeg";

bool ParseDimension(std::string_view text, int& value) {
    if (text.empty() || text.size() > 5) return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

Error Refuse(std::string_view name, const std::string& why) {
    return {ErrorKind::Unsupported, "Cannot use test scene \"" + std::string(name) + "\": " + why};
}

// The WIDTHxHEIGHT after a name's colon.
Error ParseSize(std::string_view name, std::string_view size, TestSceneOptions& options) {
    const size_t x = size.find('x');
    int width = 0;
    int height = 0;
    if (x == std::string_view::npos || !ParseDimension(size.substr(0, x), width) ||
        !ParseDimension(size.substr(x + 1), height)) {
        return Refuse(name, "the size must be WIDTHxHEIGHT, e.g. test:640x480");
    }
    if (width < kTestSceneMinWidth || height < kTestSceneMinHeight || width > kTestSceneMaxWidth ||
        height > kTestSceneMaxHeight) {
        return Refuse(name, "the size must be from " + std::to_string(kTestSceneMinWidth) + "x" +
                                std::to_string(kTestSceneMinHeight) + " to " + std::to_string(kTestSceneMaxWidth) +
                                "x" + std::to_string(kTestSceneMaxHeight));
    }
    if (width % 2 != 0) return Refuse(name, "the width must be even");
    options.width = width;
    options.height = height;
    return Error::none();
}

}  // namespace

bool IsTestSceneName(std::string_view name) {
    for (std::string_view prefix : {kPrefix, kReplayPrefix}) {
        if (name == prefix || (name.substr(0, prefix.size()) == prefix && name.substr(prefix.size(), 1) == ":")) {
            return true;
        }
    }
    return false;
}

Error ParseTestSceneName(std::string_view name, TestSceneOptions& options) {
    if (!IsTestSceneName(name)) return Refuse(name, "the name must be test or test:WIDTHxHEIGHT");
    const bool replay = name.substr(0, kReplayPrefix.size()) == kReplayPrefix;
    const std::string_view prefix = replay ? kReplayPrefix : kPrefix;
    if (name != prefix) {
        if (Error e = ParseSize(name, name.substr(prefix.size() + 1), options)) return e;
    }
    if (replay) {
        options.format = PixelFormat::Mjpeg;
        options.replayFrames = kTestSceneReplayFrames;
    }
    return Error::none();
}

}  // namespace media
