#include "media/avi/output_file.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace media {
namespace {

std::string Describe(int err) { return strerror(err); }

// Creates every missing folder above `path`.
Error CreateParents(const std::string& path) {
    for (size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        const std::string folder = path.substr(0, slash);
        if (mkdir(folder.c_str(), 0777) == 0 || errno == EEXIST) {
            struct stat st {};
            if (stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) continue;
            return {ErrorKind::CannotCreate,
                    "Cannot create folder " + folder + ": a file of that name is in the way"};
        }
        return {ErrorKind::CannotCreate, "Cannot create folder " + folder + ": " + Describe(errno)};
    }
    return Error::none();
}

}  // namespace

OutputFile::~OutputFile() { close(); }

Error OutputFile::create(const std::string& path) {
    close();
    path_ = path;
    if (path.empty()) return {ErrorKind::CannotCreate, "No file name given"};
    if (Error e = CreateParents(path)) return e;
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int err = errno;
        if (err == ENOSPC || err == EDQUOT) return failure(err, "create");
        return {ErrorKind::CannotCreate, "Cannot create " + path + ": " + Describe(err)};
    }
    fd_ = fd;
    return Error::none();
}

Error OutputFile::writeAt(uint64_t offset, std::span<const uint8_t> data) {
    if (hook_) hook_(FileOperation::Write, offset, data);
    while (!data.empty()) {
        const ssize_t n = pwrite(fd_, data.data(), data.size(), static_cast<off_t>(offset));
        if (n < 0) {
            if (errno == EINTR) continue;
            return failure(errno, "write");
        }
        // A short write means the next one reports why (a full disk, the size limit).
        data = data.subspan(size_t(n));
        offset += uint64_t(n);
    }
    return Error::none();
}

Error OutputFile::truncate(uint64_t size) {
    if (hook_) hook_(FileOperation::Truncate, size, {});
    if (ftruncate(fd_, static_cast<off_t>(size)) != 0) return failure(errno, "resize");
    return Error::none();
}

Error OutputFile::sync() {
    if (!syncEnabled_) return Error::none();
    if (hook_) hook_(FileOperation::Sync, 0, {});
    if (fdatasync(fd_) != 0) return failure(errno, "save");
    return Error::none();
}

Error OutputFile::close() {
    if (fd_ < 0) return Error::none();
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) return failure(errno, "close");
    return Error::none();
}

Error OutputFile::failure(int err, const char* action) const {
    switch (err) {
        case ENOSPC:
        case EDQUOT:
            return {ErrorKind::DiskFull, "The disk is full: cannot " + std::string(action) + " " +
                                             path_ + " (" + Describe(err) + ")"};
        case EFBIG:
            return {ErrorKind::FileTooLarge, path_ + " has reached the largest size allowed (" +
                                                 Describe(err) + ")"};
        default:
            return {ErrorKind::Io, "Cannot " + std::string(action) + " " + path_ + ": " +
                                       Describe(err)};
    }
}

}  // namespace media
