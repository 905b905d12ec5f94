// The few system calls a V4L2 device is driven with, behind an interface so that tests can
// script a device instead of needing one.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <memory>
#include <string>

namespace media {

// Every call reports failure like the system call it stands for: -1 (or MAP_FAILED) with errno
// set, so that callers handle a real device and a scripted one the same way.
class V4l2Io {
public:
    virtual ~V4l2Io() = default;

    // Opens the node non-blocking. With `convert`, frames in formats the device lacks are
    // converted in software (and such formats are enumerated as emulated); without it the
    // device's own bytes come through untouched.
    virtual int open(const std::string& path, bool convert) = 0;
    virtual int close(int fd) = 0;
    virtual int ioctl(int fd, unsigned long request, void* arg) = 0;
    virtual void* mmap(int fd, size_t length, off_t offset) = 0;
    virtual int munmap(void* address, size_t length) = 0;
    // Waits up to timeoutMs for `events` on fd; returns what poll(2) returns and sets revents.
    virtual int poll(int fd, short events, int timeoutMs, short& revents) = 0;
};

// The real devices, through libv4l2.
std::shared_ptr<V4l2Io> systemV4l2Io();

}  // namespace media
