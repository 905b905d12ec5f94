// How the test scene is chosen by name: "test" or "test:WIDTHxHEIGHT", and "test-mjpeg" or
// "test-mjpeg:WIDTHxHEIGHT" for ready-made MJPEG frames.
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
    // MJPEG only: this many frames compressed once at the start and delivered over and over,
    // costing nothing per frame, like a camera that compresses in hardware. 0: each frame is
    // painted and compressed when read.
    int replayFrames = 0;
};

// Frames "test-mjpeg" compresses at the start: a second of motion.
constexpr int kTestSceneReplayFrames = 30;

// The stamp and digits need room; the upper bound keeps a frame's memory reasonable.
constexpr int kTestSceneMinWidth = 160;
constexpr int kTestSceneMinHeight = 120;
constexpr int kTestSceneMaxWidth = 3840;
constexpr int kTestSceneMaxHeight = 2160;

// True for names that select the test scene, valid or not ("test", "test:...", "test-mjpeg"...).
bool IsTestSceneName(std::string_view name);

// Reads "test" (default size) or "test:WIDTHxHEIGHT" into `options`, leaving its other fields;
// the "test-mjpeg" names also set the MJPEG format and replayed frames.
// Fails with Unsupported and a message for anything else, including sizes outside the limits
// or an odd width (YUYV pairs pixels).
Error ParseTestSceneName(std::string_view name, TestSceneOptions& options);

}  // namespace media
