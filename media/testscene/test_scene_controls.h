// The test scene's own camera settings: brightness, white balance, the mains frequency, and an
// automatic exposure that keeps drifting the picture lighter and darker until it is turned off,
// as a webcam's does. They answer the calls a camera's settings are read and changed with (a
// V4l2Io with the one node kNode), so that the settings dialog and the lock treat the scene as
// a camera; the scene asks them how each frame it paints looks.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "media/devices/v4l2_io.h"
#include "media/testscene/scene_painter.h"

namespace media {

class TestSceneControls final : public V4l2Io {
public:
    static constexpr char kNode[] = "test scene";
    // The automatic exposure's swing: a full cycle of lighter and darker.
    static constexpr int64_t kDriftPeriodNs = 4'000'000'000;

    TestSceneControls();

    // How a frame exposed at `nowNs` (CLOCK_MONOTONIC) looks.
    SceneLook lookAt(int64_t nowNs) const;

    int open(const std::string& path, OpenMode mode) override;
    int close(int fd) override;
    int ioctl(int fd, unsigned long request, void* arg) override;
    void* mmap(int fd, size_t length, off_t offset) override;
    int munmap(void* address, size_t length) override;
    int poll(int fd, short events, int timeoutMs, short& revents) override;

private:
    struct Control {
        uint32_t id;
        uint32_t type;
        const char* name;
        int32_t minimum, maximum, step, defaultValue;
        std::map<uint32_t, const char*> menu;
        uint32_t governor = 0;  // its automatic mode, which sets it while not at manualValue
        int32_t manualValue = 0;
        int32_t value = defaultValue;
    };

    Control* find(uint32_t id);
    const Control* find(uint32_t id) const;
    bool governed(const Control& c) const;
    // The value now, following the drift while its automatic mode runs.
    int32_t current(const Control& c, int64_t nowNs) const;
    int query(uint32_t id, bool extended, void* arg) const;
    int set(uint32_t id, int32_t value);

    mutable std::mutex m_mutex;
    std::vector<Control> m_controls;  // in id order
};

}  // namespace media
