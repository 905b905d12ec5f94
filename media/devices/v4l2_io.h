// The few system calls a V4L2 device is driven with, behind an interface so that tests can
// script a device instead of needing one.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <memory>
#include <string>

namespace media {

enum class OpenMode {
    // A plain open for questions such as QUERYCAP: libv4l2 refuses nodes that cannot tell
    // their format yet (a loopback device without a producer), which still belong in lists.
    Query,
    // Through libv4l2 with its conversion off: the device's own bytes come through untouched.
    Native,
    // Through libv4l2, which converts formats the device lacks in software (and enumerates
    // them, flagged as emulated).
    Converted,
};

// Every call reports failure like the system call it stands for: -1 (or MAP_FAILED) with errno
// set, so that callers handle a real device and a scripted one the same way.
class V4l2Io {
public:
    virtual ~V4l2Io() = default;

    // Opens the node non-blocking.
    virtual int open(const std::string& path, OpenMode mode) = 0;
    virtual int close(int fd) = 0;
    virtual int ioctl(int fd, unsigned long request, void* arg) = 0;
    virtual void* mmap(int fd, size_t length, off_t offset) = 0;
    virtual int munmap(void* address, size_t length) = 0;
    // Waits up to timeoutMs for `events` on fd; returns what poll(2) returns and sets revents.
    virtual int poll(int fd, short events, int timeoutMs, short& revents) = 0;
};

// The real devices, through libv4l2.
std::shared_ptr<V4l2Io> SystemV4l2Io();

}  // namespace media
