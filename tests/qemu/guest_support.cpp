#include "guest_support.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace media::guest {

std::string NodeNamed(const std::string& name) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/sys/class/video4linux", ec)) {
        std::ifstream in(entry.path() / "name");
        std::string line;
        if (std::getline(in, line) && line == name) return "/dev/" + entry.path().filename().string();
    }
    return {};
}

bool WriteSysfs(const std::string& path, const std::string& value) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::write(fd, value.data(), value.size()) == static_cast<ssize_t>(value.size());
    ::close(fd);
    return ok;
}

std::vector<uint8_t> MakeJpeg(int width, int height, uint8_t tag) {
    std::vector<uint8_t> rgb(size_t(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &rgb[(size_t(y) * width + x) * 3];
            p[0] = static_cast<uint8_t>(tag * 37 + x);
            p[1] = static_cast<uint8_t>(tag * 91 + y);
            p[2] = static_cast<uint8_t>((x ^ y) + tag);
        }
    }
    tjhandle handle = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    std::vector<uint8_t> jpeg;
    if (tjCompress2(handle, rgb.data(), width, 0, height, TJPF_RGB, &out, &size, TJSAMP_420, 85, 0) == 0)
        jpeg.assign(out, out + size);
    tjFree(out);
    tjDestroy(handle);
    return jpeg;
}

LoopbackWriter::LoopbackWriter(const std::string& path, uint32_t fourcc, int width, int height) {
    m_fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (m_fd < 0) {
        m_failure = "open " + path + ": " + std::strerror(errno);
        return;
    }
    v4l2_format fmt{};
    fmt.type = V4L2_BUF_TYPE_VIDEO_OUTPUT;
    fmt.fmt.pix.pixelformat = fourcc;
    fmt.fmt.pix.width = static_cast<uint32_t>(width);
    fmt.fmt.pix.height = static_cast<uint32_t>(height);
    fmt.fmt.pix.field = V4L2_FIELD_NONE;
    if (::ioctl(m_fd, VIDIOC_S_FMT, &fmt) < 0) {
        m_failure = "S_FMT on the output side of " + path + ": " + std::strerror(errno);
        ::close(m_fd);
        m_fd = -1;
        return;
    }
    m_frameBytes = fmt.fmt.pix.sizeimage;
}

LoopbackWriter::~LoopbackWriter() {
    if (m_fd >= 0) ::close(m_fd);
}

bool LoopbackWriter::write(const std::vector<uint8_t>& frame) {
    return ::write(m_fd, frame.data(), frame.size()) == static_cast<ssize_t>(frame.size());
}

}  // namespace media::guest
