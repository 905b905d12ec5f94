// What the kernel-driver tests need inside the guest besides the code under test: finding
// nodes by their kernel name, poking sysfs, and playing the producer on a loopback device.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace media::guest {

// /dev/videoN of the node whose sysfs name is `name`, or "" if there is none.
std::string NodeNamed(const std::string& name);

// Writes `value` to a sysfs attribute; false on failure.
bool WriteSysfs(const std::string& path, const std::string& value);

// A 4:2:0 JPEG of a width×height picture whose colour and pattern depend on `tag`.
std::vector<uint8_t> MakeJpeg(int width, int height, uint8_t tag);

// The output (producer) side of a v4l2loopback device, fed through write(): each write is one
// frame, and the reader's bytesused is the number of bytes written.
class LoopbackWriter {
public:
    LoopbackWriter(const std::string& path, uint32_t fourcc, int width, int height);
    ~LoopbackWriter();
    LoopbackWriter(const LoopbackWriter&) = delete;
    LoopbackWriter& operator=(const LoopbackWriter&) = delete;

    bool ok() const { return m_fd >= 0; }
    const std::string& failure() const { return m_failure; }
    // The size of one frame buffer as the driver set it.
    size_t frameBytes() const { return m_frameBytes; }
    bool write(const std::vector<uint8_t>& frame);

private:
    int m_fd = -1;
    size_t m_frameBytes = 0;
    std::string m_failure;
};

}  // namespace media::guest
