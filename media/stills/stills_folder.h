// The full-size stills of a take, kept beside its AVI: Capture.avi keeps them in Capture.stills/,
// numbered 000001.jpg, 000002.jpg... in the take's order without gaps (a RAW file shares its
// JPEG's number), so that the folder imports as an image sequence. Each file is written durably
// with the bytes the camera made.
//
// The folder follows every change of the take. A change the AVI makes too (the new take's first
// frame, a delete, an insert, an undone delete) goes in three steps: begin...() journals the
// renames beside the folder and carries them out; the caller changes the AVI; commit() drops the
// journal (rollback() undoes the renames when the AVI change failed). After a crash, recover()
// lets the AVI decide: the change is finished when the AVI holds it and undone when it does not.
// Nothing is ever removed: a deleted frame's still goes to deleted/, an old take's folder is
// renamed aside (Capture.stills.1, .2...). Only a new take's folder that never got its first frame
// into the AVI (Capture.stills.unfinished) is removed.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "media/avi/output_file.h"
#include "media/common/frame.h"
#include "media/stills/stills_camera.h"

namespace media {

// The capture path with its last extension replaced by ".stills" (added when it has none).
std::string StillsFolderPath(const std::string& capturePath);

// The file names each numbered still has in `folder`, by number, in name order.
std::map<uint64_t, std::vector<std::string>> ListStills(const std::string& folder);

class StillsFolder {
public:
    explicit StillsFolder(std::string capturePath);

    // At start, and before anything else touches the folder: finishes or undoes a change a kill
    // interrupted, as the AVI at the capture path says (it holds `aviFrames` frames), removes a
    // new take's folder that was never published, then reconciles (below). Refused, touching
    // nothing, while a recording (this program's own included) writes the AVI: call it before
    // opening one.
    Error recover(uint64_t aviFrames);
    // Moves every still beyond the AVI's `aviFrames` frames to deleted/. Fails, saying how many,
    // when fewer stills than frames are there; the stills that are there are kept. A take with no
    // stills folder is a take without stills (a webcam's), and has nothing to reconcile.
    Error reconcile(uint64_t aviFrames);

    // A new take: stills go to the unfinished folder until beginPublish().
    Error beginTake();
    // The stills of the take the folder holds now.
    uint64_t count() const { return m_count; }
    // The folder the take's stills are in now (the unfinished one until the first frame is published).
    const std::string& folder() const { return m_writing; }

    // A frame added at the end: its still written durably as number count() + 1.
    Error append(const Still& still);

    // The new take's first frame, once appended here: the old take's folder renamed aside and
    // this one moved into place (for a take without stills, only the first). The AVI change to
    // follow is publishing the AVI's first frame.
    Error beginPublish();
    // Frame `position` (from 1) goes: its still to deleted/, those after it one number down.
    Error beginDelete(uint64_t position);
    // `still` goes in after frame `after` (0: first), those after it one number up.
    Error beginInsert(uint64_t after, const Still& still);
    // The latest deleted still comes back at its place, as the take editor puts its frame back:
    // after the still it followed when that one is still in the take, else at the number it had.
    // False from canUndo() when none is left.
    Error beginUndoDelete();
    bool canUndo() const { return !m_undo.empty(); }
    // The change counts from here; an error says only that its journal is still there.
    Error commit();
    Error rollback();

    // For tests: called before every change made to the disk.
    void setHook(FileOperationHook hook) { m_hook = std::move(hook); }

private:
    struct Rename {
        std::string from;
        std::string to;
    };
    struct Deletion {
        uint64_t position = 0;
        std::vector<Rename> moved;  // from the folder to deleted/
        // The still it came after, known by its file, which keeps its inode through every
        // renumbering; 0 for the first.
        ino_t follows = 0;
    };
    struct Journal {
        uint64_t before = 0;  // frames of the take before the change and after it
        uint64_t after = 0;
        bool publish = false;  // the change publishes the AVI: it is done when this file is at the path
        dev_t aviDevice = 0;
        ino_t aviInode = 0;
        std::vector<Rename> renames;
    };

    Error begin(Journal journal);
    Error apply(const std::vector<Rename>& renames);
    Error writeJournal(const Journal& journal);
    Error readJournal(Journal& journal, bool& found) const;
    Error removeJournal();
    Error setAsideStrays();
    Error writeFile(const std::string& path, const std::vector<uint8_t>& data);
    Error makeFolder(const std::string& folder);
    Error syncFolder(const std::string& folder);
    Error fail(int err, const std::string& action, const std::string& what) const;
    int intercept(FileOperation op, const std::string& path, std::span<const uint8_t> data = {}) const;
    std::string numbered(uint64_t number, const std::string& fileName) const;
    std::string deletedName(const std::string& fileName) const;
    std::vector<Rename> shift(uint64_t from, int direction) const;
    ino_t inodeOf(uint64_t number) const;

    std::string m_capture;
    std::string m_folder;      // Capture.stills
    std::string m_unfinished;  // Capture.stills.unfinished
    std::string m_journal;     // Capture.stills.journal
    std::string m_writing;     // the one the take's stills are in
    uint64_t m_count = 0;
    std::vector<Deletion> m_undo;
    Journal m_pending;
    bool m_hasPending = false;
    std::vector<Deletion> m_pendingUndo;  // m_undo as it is once the pending change is committed
    FileOperationHook m_hook;
};

}  // namespace media
