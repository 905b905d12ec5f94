#include "media/testscene/test_scene_options.h"

#include <charconv>
#include <string>

namespace media {
namespace {

constexpr std::string_view kPrefix = "test";

bool ParseDimension(std::string_view text, int& value) {
    if (text.empty() || text.size() > 5) return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

Error Refuse(std::string_view name, const std::string& why) {
    return {ErrorKind::Unsupported,
            "Cannot use test scene \"" + std::string(name) + "\": " + why};
}

}  // namespace

bool IsTestSceneName(std::string_view name) {
    return name == kPrefix || name.substr(0, kPrefix.size() + 1) == "test:";
}

Error ParseTestSceneName(std::string_view name, TestSceneOptions& options) {
    if (!IsTestSceneName(name)) return Refuse(name, "the name must be test or test:WIDTHxHEIGHT");
    if (name == kPrefix) return Error::none();

    const std::string_view size = name.substr(kPrefix.size() + 1);
    const size_t x = size.find('x');
    int width = 0;
    int height = 0;
    if (x == std::string_view::npos || !ParseDimension(size.substr(0, x), width) ||
        !ParseDimension(size.substr(x + 1), height)) {
        return Refuse(name, "the size must be WIDTHxHEIGHT, e.g. test:640x480");
    }
    if (width < kTestSceneMinWidth || height < kTestSceneMinHeight ||
        width > kTestSceneMaxWidth || height > kTestSceneMaxHeight) {
        return Refuse(name, "the size must be from " + std::to_string(kTestSceneMinWidth) + "x" +
                                std::to_string(kTestSceneMinHeight) + " to " +
                                std::to_string(kTestSceneMaxWidth) + "x" +
                                std::to_string(kTestSceneMaxHeight));
    }
    if (width % 2 != 0) return Refuse(name, "the width must be even");
    options.width = width;
    options.height = height;
    return Error::none();
}

}  // namespace media
