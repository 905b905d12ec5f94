#include "v4l2_io.h"

#include <fcntl.h>
#include <libv4l2.h>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>

namespace media {
namespace {

class LibV4l2Io final : public V4l2Io {
public:
    // libv4l2 passes calls on descriptors it was not attached to straight to the kernel, so
    // its close/ioctl/mmap serve plain descriptors too.
    int open(const std::string& path, OpenMode mode) override {
        const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0 || mode == OpenMode::Query) return fd;
        // libv4l2 is attached to the already open descriptor because only v4l2_fd_open takes
        // the flag that turns its conversion off; MJPEG and YUYV must reach us untouched.
        const int flags = mode == OpenMode::Converted ? 0 : V4L2_DISABLE_CONVERSION;
        if (v4l2_fd_open(fd, flags) < 0) {
            const int err = errno ? errno : ENOTTY;
            ::close(fd);
            errno = err;
            return -1;
        }
        return fd;
    }

    int close(int fd) override { return v4l2_close(fd); }

    int ioctl(int fd, unsigned long request, void* arg) override {
        int r;
        do {
            r = v4l2_ioctl(fd, request, arg);
        } while (r < 0 && errno == EINTR);
        return r;
    }

    void* mmap(int fd, size_t length, off_t offset) override {
        return v4l2_mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, offset);
    }

    int munmap(void* address, size_t length) override { return v4l2_munmap(address, length); }

    int poll(int fd, short events, int timeoutMs, short& revents) override {
        pollfd p{fd, events, 0};
        const int r = ::poll(&p, 1, timeoutMs);
        revents = p.revents;
        return r;
    }
};

}  // namespace

std::shared_ptr<V4l2Io> SystemV4l2Io() {
    static const auto io = std::make_shared<LibV4l2Io>();
    return io;
}

}  // namespace media
