// The file a recording goes to: positioned writes, truncation and syncing, with failures turned
// into Errors a user can act on.
//
// A new recording is written beside its path under an unfinished name (unfinishedPath) and
// takes the path only with publish(), once it holds a frame: a video already at the path stays
// whole until then, whatever happens to the new take. A path that is a link is written through:
// the link stays and the file it names is replaced, keeping that file's permissions.
//
// Where the folder takes no new names, the file is rewritten in place instead: everything written
// before publish() is held in memory, and publish() first reserves the room it needs, so that a
// failure or a kill before that moment leaves the old video byte for byte as it was.
//
// While a recording is open its file is locked (flock), the lock following the file through its
// renames: a path another recording is writing to is never replaced.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "media/common/frame.h"

namespace media {

enum class FileOperation { Write, Truncate, Sync, Rename, SyncFolder, Reserve };

struct FileChange {
    FileOperation op;
    uint64_t offset = 0;            // Write: where; Truncate: the new size; Reserve: how much
    std::span<const uint8_t> data;  // Write: the bytes (none when copied from another file)
    std::string_view path;          // the file changed, the folder synced, a rename's new name
};

// Called before each change to the file or its folder. Tests stop the process from it to check
// that every intermediate state of the file is readable, or return an errno value to make the
// change fail as if the system had refused it; 0 lets it happen.
using FileOperationHook = std::function<int(const FileChange& change)>;

// Told while a recording is copied back to its path: `copied` of `total` bytes, first with 0.
using CopyProgress = std::function<void(uint64_t copied, uint64_t total)>;

// What starting a new recording would do to what a path holds.
enum class Replacement {
    Nothing,     // no video there
    AfterFrame,  // the video there stays whole until the new take's first frame is on disk
    InPlace,     // the folder takes no new names: the video is overwritten in place, no copy kept
    InUse,       // another recording is writing to it: it must not be replaced
};

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Starts a new, empty file for `path`, creating missing folders; an unfinished file left
    // there by an earlier take is removed. What the path holds now is untouched until publish().
    // An existing path that is not a plain file (a device) is written in place.
    Error create(const std::string& path);
    Error writeAt(uint64_t offset, std::span<const uint8_t> data);
    Error truncate(uint64_t size);
    Error readAt(uint64_t offset, std::span<uint8_t> data) const;
    // Copies `size` bytes of `from`'s file at `fromOffset` to `offset` here, within the kernel
    // where the file systems allow. The hook sees it as a Write without data.
    Error copyAt(uint64_t offset, const OutputFile& from, uint64_t fromOffset, uint64_t size);
    // Makes what was written durable; skipped when syncing is turned off.
    Error sync();
    // Puts the file, whose data the caller has synced, at its path in place of what was there.
    // Does nothing the second time. Once the name is in place the file is published whatever
    // follows: a folder that cannot be synced then is retried by retryFolderSync() and told by
    // notice(), but the take at the path is never undone for it.
    Error publish();
    // Syncs a folder whose sync failed after a rename; what still fails stays in notice().
    void retryFolderSync();
    // Saves a recording that cannot go to its path: its file is copied to `path`, a new name that
    // must not exist yet, which then takes all further writes.
    Error saveAs(const std::string& path);
    // Makes sure the path still leads to this file. If the file was deleted, moved away or
    // replaced, everything written so far is copied to a new file at the path (its folders
    // made again), which then takes all further writes.
    Error followPath();
    // Closes; a file never published is removed, leaving the path as it was.
    Error close();
    // Closes a published file another has replaced at its path. Closing gives the file's space
    // back, which takes a while for a large take: it is done on a thread of its own.
    void closeReplaced();

    bool isOpen() const { return m_fd >= 0; }
    bool published() const { return m_published; }
    // What the user should know although nothing failed: a new name not yet durable. Else empty.
    const std::string& notice() const { return m_notice; }
    // The path the recording was asked for (also in every error message).
    const std::string& path() const { return m_path; }
    void setSyncEnabled(bool enabled) { m_syncEnabled = enabled; }
    // For a file that must replace the path whole or not at all: fail where it would otherwise
    // be written in place.
    void setNeverInPlace(bool never) { m_neverInPlace = never; }
    // For a file that is to replace `previous`'s at its path (a take rewritten whole): that the
    // path is held by `previous` does not stop create().
    void setPredecessor(const OutputFile* previous) { m_predecessor = previous; }
    void setHook(FileOperationHook hook) { m_hook = std::move(hook); }
    void setCopyProgress(CopyProgress progress) { m_copyProgress = std::move(progress); }

    // Where a new recording for `target` (a path that is not a link) is written until published.
    static std::string unfinishedPath(const std::string& target);
    // Removes the unfinished file a take killed before its first frame left for `path`, unless a
    // recording is still writing it.
    static void removeLeftover(const std::string& path);
    static Replacement replacementFor(const std::string& path);

private:
    bool isFileOf(const OutputFile* other) const;
    Error openUnfinished(const struct stat* old);
    Error openInPlace();
    Error publishInPlace();
    Error reopenInPlace();
    void syncFolderAfterRename(const std::string& folder);
    Error createFolders(const std::string& file);
    Error syncFolder(const std::string& folder);
    Error copyTo(int to, uint64_t total);
    Error copyBack();
    int intercept(FileOperation op, std::string_view path, uint64_t offset = 0,
                  std::span<const uint8_t> data = {}) const;
    Error failure(int err, const std::string& action, const std::string& what) const;
    Error failure(int err, const char* action) const { return failure(err, action, m_path); }

    int m_fd = -1;
    std::string m_path;     // as asked for
    std::string m_target;   // the file the path names, links followed
    std::string m_writing;  // where the open file is: m_target once published
    bool m_published = false;
    bool m_plainFile = false;  // devices are written in place and never followed
    bool m_inPlace = false;    // the old video is overwritten at publish(); until then m_held
    std::vector<uint8_t> m_held;
    std::string m_unsyncedFolder;  // renamed into, not yet durable
    std::string m_notice;
    bool m_syncEnabled = true;
    bool m_neverInPlace = false;
    const OutputFile* m_predecessor = nullptr;
    FileOperationHook m_hook;
    CopyProgress m_copyProgress;
};

}  // namespace media
