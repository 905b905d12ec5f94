// How the test scene is chosen by name: "test" or "test:WIDTHxHEIGHT".
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "media/common/frame.h"

namespace media {

class TestSceneControls;

struct TestSceneOptions {
    int width = 640;
    int height = 480;
    uint32_t framesPerSecond = 30;
    PixelFormat format = PixelFormat::Rgb24;
    // Deliver frames at the frame rate, like a camera; off, each read returns the next frame at
    // once (with the timestamps it would have had).
    bool realTime = true;
    // MJPEG as cameras send it: without Huffman tables and with padding after the EOI.
    bool cameraStyleJpeg = true;
    // The settings that change how it looks; without them the picture depends on the frame
    // number alone.
    std::shared_ptr<const TestSceneControls> controls;
};

// The stamp and digits need room; the upper bound keeps a frame's memory reasonable.
constexpr int kTestSceneMinWidth = 160;
constexpr int kTestSceneMinHeight = 120;
constexpr int kTestSceneMaxWidth = 3840;
constexpr int kTestSceneMaxHeight = 2160;

// True for names that select the test scene, valid or not ("test", "test:...").
bool IsTestSceneName(std::string_view name);

// Reads "test" (default size) or "test:WIDTHxHEIGHT" into `options`, leaving its other fields.
// Fails with Unsupported and a message for anything else, including sizes outside the limits
// or an odd width (YUYV pairs pixels).
Error ParseTestSceneName(std::string_view name, TestSceneOptions& options);

}  // namespace media
