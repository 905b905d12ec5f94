#include "media/avi/output_file.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <thread>
#include <vector>

namespace media {
namespace {

// A copy back to the path reports its progress after each piece.
constexpr uint64_t kCopyPiece = uint64_t(8) << 20;

std::string Describe(int err) { return strerror(err); }

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file `path` names, its last part's links followed (the system follows the folders').
std::string FollowLinks(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        char target[PATH_MAX];
        const ssize_t n = readlink(path.c_str(), target, sizeof target);
        if (n <= 0 || size_t(n) == sizeof target) break;
        const std::string next(target, size_t(n));
        path = next.front() == '/' ? next : FolderOf(path) + "/" + next;
    }
    return path;
}

std::string BaseName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Whether a recording, in this process or another, holds `file` open for writing.
bool HeldByRecording(const std::string& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    const bool held = flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);  // and with it the lock taken here
    return held;
}

// Whether the folder of `target` lets the unfinished file be made beside it.
bool FolderTakesNewNames(const std::string& target) {
    const std::string folder = FolderOf(target);
    if (access(folder.c_str(), W_OK | X_OK) != 0) return false;
    const long nameMax = pathconf(folder.c_str(), _PC_NAME_MAX);
    return nameMax < 0 || BaseName(OutputFile::unfinishedPath(target)).size() <= size_t(nameMax);
}

Error InUse(const std::string& path) {
    return {ErrorKind::CannotCreate, path + " is being recorded by another window"};
}

// Removes `file` unless a recording holds its lock; false when one does.
bool RemoveUnlessInUse(const std::string& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ELOOP) unlink(file.c_str());  // a link in the way is not ours to follow
        return true;
    }
    const bool unused = flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (unused) unlink(file.c_str());
    ::close(fd);
    return unused;
}

// A new file under the unfinished name of `target`, locked against removeLeftover, with the
// permissions and owner of `like` when given. -1 with errno set on failure.
int CreateUnfinished(const std::string& target, const struct stat* like) {
    const std::string unfinished = OutputFile::unfinishedPath(target);
    if (!RemoveUnlessInUse(unfinished)) {
        errno = EBUSY;
        return -1;
    }
    const int fd = ::open(unfinished.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return -1;
    flock(fd, LOCK_EX | LOCK_NB);
    if (like) {
        // Owner first: a change of owner may clear mode bits. Only root may give files away.
        (void)!fchown(fd, like->st_uid, like->st_gid);
        (void)!fchmod(fd, like->st_mode & 07777);
    }
    return fd;
}

bool WriteAll(int fd, const uint8_t* data, size_t size, off_t offset) {
    while (size > 0) {
        const ssize_t n = pwrite(fd, data, size, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        data += n;
        size -= size_t(n);
        offset += n;
    }
    return true;
}

// Copies `size` bytes from `from` at `fromOffset` to `to` at `toOffset`, within the kernel where
// the file systems allow, telling `copied` after each piece. Returns the bytes copied (fewer when
// `from` ends early), or -1 with errno set.
int64_t CopyRange(int from, uint64_t fromOffset, int to, uint64_t toOffset, uint64_t size,
                  const std::function<void(uint64_t)>& copied) {
    std::vector<uint8_t> buffer;  // only between file systems that cannot copy by themselves
    uint64_t done = 0;
    while (done < size) {
        const size_t piece = size_t(std::min(size - done, kCopyPiece));
        ssize_t n = 0;
        if (buffer.empty()) {
            loff_t in = loff_t(fromOffset + done);
            loff_t out = loff_t(toOffset + done);
            n = copy_file_range(from, &in, to, &out, piece, 0);
            if (n < 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
                buffer.resize(size_t(kCopyPiece));
                continue;
            }
        } else {
            n = pread(from, buffer.data(), piece, off_t(fromOffset + done));
            if (n > 0 && !WriteAll(to, buffer.data(), size_t(n), off_t(toOffset + done))) n = -1;
        }
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        done += uint64_t(n);
        if (copied) copied(done);
    }
    return int64_t(done);
}

}  // namespace

std::string OutputFile::unfinishedPath(const std::string& target) { return target + ".unfinished"; }

void OutputFile::removeLeftover(const std::string& path) { RemoveUnlessInUse(unfinishedPath(FollowLinks(path))); }

Replacement OutputFile::replacementFor(const std::string& path) {
    const std::string target = FollowLinks(path);
    struct stat st {};
    const bool exists = stat(target.c_str(), &st) == 0;
    if (exists && S_ISREG(st.st_mode) && HeldByRecording(target)) return Replacement::InUse;
    if (HeldByRecording(unfinishedPath(target))) return Replacement::InUse;
    if (!exists || S_ISDIR(st.st_mode)) return Replacement::Nothing;
    if (S_ISREG(st.st_mode) && !FolderTakesNewNames(target)) return Replacement::InPlace;
    return Replacement::AfterFrame;
}

OutputFile::~OutputFile() { close(); }

int OutputFile::intercept(FileOperation op, std::string_view path, uint64_t offset,
                          std::span<const uint8_t> data) const {
    return m_hook ? m_hook(FileChange{op, offset, data, path}) : 0;
}

// Creates every missing folder above `file`; each new name is made durable in its parent.
Error OutputFile::createFolders(const std::string& file) {
    for (size_t slash = file.find('/', 1); slash != std::string::npos; slash = file.find('/', slash + 1)) {
        const std::string folder = file.substr(0, slash);
        if (mkdir(folder.c_str(), 0777) == 0) {
            if (Error e = syncFolder(FolderOf(folder))) return e;
            continue;
        }
        if (errno == EEXIST) {
            struct stat st {};
            if (stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) continue;
            return {ErrorKind::CannotCreate, "Cannot create folder " + folder + ": a file of that name is in the way"};
        }
        return {ErrorKind::CannotCreate, "Cannot create folder " + folder + ": " + Describe(errno)};
    }
    return Error::none();
}

Error OutputFile::create(const std::string& path) {
    close();
    m_path = path;
    m_notice.clear();
    m_unsyncedFolder.clear();
    if (path.empty()) return {ErrorKind::CannotCreate, "No file name given"};
    m_target = FollowLinks(path);
    if (Error e = createFolders(m_target)) return e;
    struct stat old {};
    const bool exists = stat(m_target.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode)) {
        return {ErrorKind::CannotCreate, "Cannot create " + path + ": it is a folder"};
    }
    if (exists && !S_ISREG(old.st_mode)) {
        if (m_neverInPlace) return {ErrorKind::Unsupported, "Cannot replace " + path + ": it is not a plain file"};
        return openInPlace();
    }
    if (exists && HeldByRecording(m_target) && !isFileOf(m_predecessor)) return InUse(m_path);
    return openUnfinished(exists ? &old : nullptr);
}

bool OutputFile::isFileOf(const OutputFile* other) const {
    struct stat held {};
    struct stat atTarget {};
    return other && other->m_fd >= 0 && fstat(other->m_fd, &held) == 0 && stat(m_target.c_str(), &atTarget) == 0 &&
           held.st_dev == atTarget.st_dev && held.st_ino == atTarget.st_ino;
}

Error OutputFile::openUnfinished(const struct stat* old) {
    const int fd = CreateUnfinished(m_target, old);
    if (fd < 0) {
        const int err = errno;
        // A folder that takes no new names may still let the file be rewritten, as before.
        if ((err == EACCES || err == EPERM || err == ENAMETOOLONG) && !m_neverInPlace) return openInPlace();
        if (err == ENOSPC || err == EDQUOT) return failure(err, "create");
        if (err == EBUSY) {
            return InUse(m_path);
        }
        return {ErrorKind::CannotCreate, "Cannot create " + m_path + ": " + Describe(err)};
    }
    m_fd = fd;
    m_writing = unfinishedPath(m_target);
    m_published = false;
    m_plainFile = true;
    return Error::none();
}

// Not truncated: the old video stays as it is until publish() writes the take over it.
Error OutputFile::openInPlace() {
    const int fd = ::open(m_target.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int err = errno;
        if (err == ENOSPC || err == EDQUOT) return failure(err, "create");
        return {ErrorKind::CannotCreate, "Cannot create " + m_path + ": " + Describe(err)};
    }
    struct stat st {};
    m_plainFile = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (m_plainFile && flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return InUse(m_path);
    }
    m_fd = fd;
    m_writing = m_target;
    m_inPlace = m_plainFile;
    m_published = !m_inPlace;
    m_held.clear();
    return Error::none();
}

// The old video went before the take's first frame: the take waits in memory for a file at the
// path again.
Error OutputFile::reopenInPlace() {
    ::close(m_fd);
    m_fd = -1;
    std::vector<uint8_t> held;
    held.swap(m_held);
    m_target = FollowLinks(m_path);
    if (Error e = createFolders(m_target)) return e;
    if (HeldByRecording(m_target)) return InUse(m_path);
    if (Error e = openInPlace()) return e;
    m_held.swap(held);
    return Error::none();
}

Error OutputFile::writeAt(uint64_t offset, std::span<const uint8_t> data) {
    if (m_inPlace && !m_published) {
        if (m_held.size() < offset + data.size()) m_held.resize(offset + data.size());
        std::copy(data.begin(), data.end(), m_held.begin() + std::ptrdiff_t(offset));
        return Error::none();
    }
    if (int err = intercept(FileOperation::Write, m_writing, offset, data)) return failure(err, "write");
    while (!data.empty()) {
        const ssize_t n = pwrite(m_fd, data.data(), data.size(), static_cast<off_t>(offset));
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
    if (m_inPlace && !m_published) {
        m_held.resize(size);
        return Error::none();
    }
    if (int err = intercept(FileOperation::Truncate, m_writing, size)) return failure(err, "resize");
    if (ftruncate(m_fd, static_cast<off_t>(size)) != 0) return failure(errno, "resize");
    return Error::none();
}

Error OutputFile::readAt(uint64_t offset, std::span<uint8_t> data) const {
    while (!data.empty()) {
        const ssize_t n = pread(m_fd, data.data(), data.size(), static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return failure(n < 0 ? errno : EIO, "read");
        data = data.subspan(size_t(n));
        offset += uint64_t(n);
    }
    return Error::none();
}

Error OutputFile::sync() {
    if (!m_syncEnabled || (m_inPlace && !m_published)) return Error::none();
    if (int err = intercept(FileOperation::Sync, m_writing)) return failure(err, "save");
    if (fdatasync(m_fd) != 0) return failure(errno, "save");
    return Error::none();
}

Error OutputFile::syncFolder(const std::string& folder) {
    if (!m_syncEnabled) return Error::none();
    int err = intercept(FileOperation::SyncFolder, folder);
    if (!err) {
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0 || fsync(fd) != 0) err = errno;
        if (fd >= 0) ::close(fd);
    }
    return err ? failure(err, "save the folder", folder) : Error::none();
}

Error OutputFile::publish() {
    if (m_published) return Error::none();
    if (m_inPlace) return publishInPlace();
    if (int err = intercept(FileOperation::Rename, m_target)) return failure(err, "save");
    if (rename(m_writing.c_str(), m_target.c_str()) != 0) return failure(errno, "save");
    m_published = true;
    m_writing = m_target;
    syncFolderAfterRename(FolderOf(m_target));
    return Error::none();
}

Error OutputFile::publishInPlace() {
    // The room first: a full disk must show before a byte of the old video changes.
    const uint64_t size = m_held.size();
    int err = intercept(FileOperation::Reserve, m_writing, size);
    if (!err && fallocate(m_fd, FALLOC_FL_KEEP_SIZE, 0, off_t(size)) != 0 && errno != EOPNOTSUPP) err = errno;
    if (err) return failure(err, "make room for");
    std::vector<uint8_t> held;
    held.swap(m_held);
    m_published = true;
    Error e = writeAt(0, held);
    if (!e) e = truncate(size);
    if (!e) e = sync();
    if (e) {
        m_published = false;
        m_held.swap(held);
        return e;
    }
    m_inPlace = false;
    // The name may be new (a name too long for the unfinished one's): made durable like a rename's.
    syncFolderAfterRename(FolderOf(m_target));
    return Error::none();
}

// The rename has happened, so the take is at its path whatever the folder's sync does.
void OutputFile::syncFolderAfterRename(const std::string& folder) {
    m_unsyncedFolder = folder;
    retryFolderSync();
}

void OutputFile::retryFolderSync() {
    if (m_unsyncedFolder.empty()) return;
    if (Error e = syncFolder(m_unsyncedFolder)) {
        m_notice = e.message + ". Until it is saved, a power cut may take the file's new name; its frames are on disk.";
        return;
    }
    m_unsyncedFolder.clear();
    m_notice.clear();
}

Error OutputFile::followPath() {
    if (m_fd < 0 || !m_plainFile) return Error::none();
    if (m_inPlace && !m_published) {
        struct stat held {};
        struct stat atPath {};
        if (fstat(m_fd, &held) == 0 && stat(m_path.c_str(), &atPath) == 0 && held.st_dev == atPath.st_dev &&
            held.st_ino == atPath.st_ino) {
            return Error::none();
        }
        return reopenInPlace();
    }
    struct stat open {};
    struct stat atPath {};
    if (fstat(m_fd, &open) != 0) return failure(errno, "check");
    if (stat((m_published ? m_path : m_writing).c_str(), &atPath) == 0 && atPath.st_dev == open.st_dev &&
        atPath.st_ino == open.st_ino) {
        return Error::none();
    }
    if (Error e = copyBack(); e) {
        return {e.kind, "The recording " + m_path +
                            " was deleted, moved or replaced, and cannot be written there again: " + e.message};
    }
    return Error::none();
}

// The open file stays readable whatever became of its name: it is copied, whole, to a new file
// that takes its place.
Error OutputFile::copyBack() {
    struct stat current {};
    if (fstat(m_fd, &current) != 0) return failure(errno, "check");
    m_target = FollowLinks(m_path);
    if (Error e = createFolders(m_target)) return e;
    // Another recording's file at the path is its take, not ours to replace.
    if (HeldByRecording(m_target)) return InUse(m_path);
    const int fd = CreateUnfinished(m_target, &current);
    if (fd < 0) return failure(errno, "create");
    const std::string unfinished = unfinishedPath(m_target);
    Error e = copyTo(fd, uint64_t(current.st_size));
    if (!e && m_syncEnabled) {
        if (int err = intercept(FileOperation::Sync, unfinished); err || fdatasync(fd) != 0) {
            e = failure(err ? err : errno, "save");
        }
    }
    if (!e && m_published) {
        if (int err = intercept(FileOperation::Rename, m_target);
            err || rename(unfinished.c_str(), m_target.c_str()) != 0) {
            e = failure(err ? err : errno, "save");
        }
    }
    if (e) {
        ::close(fd);
        unlink(unfinished.c_str());
        return e;
    }
    ::close(m_fd);
    m_fd = fd;
    m_writing = m_published ? m_target : unfinished;
    if (m_published) syncFolderAfterRename(FolderOf(m_target));
    return Error::none();
}

Error OutputFile::saveAs(const std::string& path) {
    if (m_fd < 0 || !m_published) return {ErrorKind::Io, "No recorded frames to save"};
    struct stat current {};
    if (fstat(m_fd, &current) != 0) return failure(errno, "check");
    if (Error e = createFolders(path)) return e;
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return failure(errno, "create", path);
    flock(fd, LOCK_EX | LOCK_NB);
    Error e = copyTo(fd, uint64_t(current.st_size));
    if (!e && m_syncEnabled && fdatasync(fd) != 0) e = failure(errno, "save", path);
    if (e) {
        ::close(fd);
        unlink(path.c_str());
        return e;
    }
    ::close(m_fd);
    m_fd = fd;
    m_path = m_target = m_writing = path;
    syncFolderAfterRename(FolderOf(path));
    return Error::none();
}

Error OutputFile::copyTo(int to, uint64_t total) {
    if (m_copyProgress) m_copyProgress(0, total);
    const int64_t n = CopyRange(m_fd, 0, to, 0, total, [&](uint64_t done) {
        if (m_copyProgress) m_copyProgress(done, total);
    });
    return n < 0 ? failure(errno, "copy") : Error::none();
}

Error OutputFile::copyAt(uint64_t offset, const OutputFile& from, uint64_t fromOffset, uint64_t size) {
    if (m_inPlace && !m_published) {
        std::vector<uint8_t> bytes(size);
        if (Error e = from.readAt(fromOffset, bytes)) return e;
        return writeAt(offset, bytes);
    }
    if (int err = intercept(FileOperation::Write, m_writing, offset)) return failure(err, "write");
    const int64_t n = CopyRange(from.m_fd, fromOffset, m_fd, offset, size, nullptr);
    if (n < 0) return failure(errno, "write");
    // The other file ended early.
    if (uint64_t(n) < size) return from.failure(EIO, "read");
    return Error::none();
}

void OutputFile::closeReplaced() {
    if (m_fd < 0 || !m_published) {
        close();
        return;
    }
    std::thread([fd = m_fd] { ::close(fd); }).detach();
    m_fd = -1;
}

Error OutputFile::close() {
    if (m_fd < 0) return Error::none();
    const int fd = m_fd;
    m_fd = -1;
    // A take that never held a frame leaves the path as it found it.
    if (!m_published && !m_inPlace) unlink(m_writing.c_str());
    m_inPlace = false;
    m_held.clear();
    if (::close(fd) != 0) return failure(errno, "close");
    return Error::none();
}

Error OutputFile::failure(int err, const std::string& action, const std::string& what) const {
    switch (err) {
    case ENOSPC:
    case EDQUOT:
        return {ErrorKind::DiskFull, "The disk is full: cannot " + action + " " + what + " (" + Describe(err) + ")"};
    case EFBIG:
        return {ErrorKind::FileTooLarge, what + " has reached the largest size allowed (" + Describe(err) + ")"};
    default:
        return {ErrorKind::Io, "Cannot " + action + " " + what + ": " + Describe(err)};
    }
}

}  // namespace media
