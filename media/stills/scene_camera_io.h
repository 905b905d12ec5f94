// The built-in test stills camera: the test scene behind the same calls as a real camera, so
// that the whole stills path can be tried and tested without one. Its live view paints the scene
// at the camera's pace, its stills are full-size JPEGs with EXIF, taken with a camera's delay, and
// its settings behave as a real body's do (a shutter speed ignored outside manual exposure).
#pragma once

#include <chrono>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "media/common/frame.h"
#include "media/stills/gphoto_io.h"

namespace media {

struct SceneCameraOptions {
    FrameSize liveView{960, 640};
    FrameSize still{6000, 4000};
    uint32_t liveViewFramesPerSecond = 30;
    std::chrono::milliseconds captureDelay{300};  // from the press to the file on the camera
};

// What "test-stills" is called in the device list and where it says it is plugged in.
inline constexpr std::string_view kSceneCameraModel = "Built-in test stills camera";
inline constexpr std::string_view kSceneCameraPort = "test-stills";

class SceneCameraIo : public GphotoIo {
public:
    explicit SceneCameraIo(SceneCameraOptions options = {});

    int detect(std::vector<DetectedCamera>& cameras) override;
    int open(const DetectedCamera& camera) override;
    int capturePreview(std::vector<uint8_t>& jpeg) override;
    int captureImage(CameraFilePath& path) override;
    int download(const CameraFilePath& path, std::vector<uint8_t>& data) override;
    int waitForEvent(int timeoutMs, CameraEvent& event) override;
    int listConfig(std::vector<std::string>& names) override;
    int getConfig(const std::string& name, ConfigWidget& widget) override;
    int setConfig(const std::string& name, const std::string& value) override;
    void exit() override;

private:
    ConfigWidget* find(const std::string& name);
    uint64_t sceneNumberNow() const;

    SceneCameraOptions m_options;
    bool m_open = false;
    int64_t m_openedNs = 0;
    int64_t m_lastPreviewNs = 0;  // when the last live-view picture was handed out
    int m_shots = 0;
    std::vector<ConfigWidget> m_widgets;
    std::map<std::string, std::vector<uint8_t>> m_card;  // by file name
    std::vector<CameraEvent> m_events;                   // reported by waitForEvent, oldest first
};

}  // namespace media
