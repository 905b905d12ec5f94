// A scripted stills camera below libgphoto2's calls: the built-in test camera at a small size
// and without delays, with the failures of real bodies on demand, slow captures held until the
// test lets them finish, and a record of which threads drove it. Its switches may be flipped
// from the test's thread while the camera's worker uses it.
#pragma once

#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "media/stills/scene_camera_io.h"

namespace media::testing {

enum class FakeCall { Detect, Open, Preview, Capture, Download, WaitForEvent, GetConfig, SetConfig };

// Small pictures and no delays, so that tests run quickly.
SceneCameraOptions SmallCamera();

class FakeGphotoIo : public GphotoIo {
public:
    explicit FakeGphotoIo(SceneCameraOptions options = SmallCamera());

    // The next `times` calls of `call` fail with `code` (a GP_ERROR); a negative count: all.
    void fail(FakeCall call, int code, int times = 1);
    // What detection lists; the built-in camera by default. Opening a camera no longer listed
    // fails as an unplugged one does.
    void setAttached(std::vector<DetectedCamera> cameras);
    // While held, a capture waits inside the camera, as a slow body does, until released.
    void holdCaptures(bool hold);
    int calls(FakeCall call) const;
    std::set<std::thread::id> threads() const;

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
    // Counts the call and returns the failure due for it, or GP_OK.
    int enter(FakeCall call);

    SceneCameraIo m_camera;
    mutable std::mutex m_mutex;
    std::condition_variable m_released;
    std::map<FakeCall, std::pair<int, int>> m_failures;  // code, calls left to fail
    std::map<FakeCall, int> m_calls;
    std::set<std::thread::id> m_threads;
    std::vector<DetectedCamera> m_attached;
    bool m_hold = false;
};

}  // namespace media::testing
