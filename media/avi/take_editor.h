// The open single-frame recording as the animator works on it: shots at the end or at an
// insertion point, any frame deleted, deletions undone; the file at the path is a complete take
// in its new order after every call.
//
// Players that stream an AVI play its chunks in file order, whatever the index says, so the
// chunks always stay in display order. A shot at the end is appended and the last frame is cut
// off the end, each costing about one frame's writing. Any other edit writes the take anew in its
// new order beside the file (chunk bytes copied as they are, so at the disk's speed), makes it
// durable and renames it over the path; recording then goes on in the new file. A crash at any
// moment leaves the take as it was before the edit or as it is after it, and a failed edit leaves
// it as it was, with no copy left behind.
//
// The editor owns the recording's AviWriter, and after an edit in the middle the writer of the
// rewritten file: a program records through the editor in place of a writer. Not thread-safe:
// one thread owns the editor, the recording and its reads.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "media/avi/avi_writer.h"

namespace media {

// Told while an edit rewrites the take, once it has taken half a second: `done` of `total`
// frames written, ending with done == total.
using EditProgress = std::function<void(uint64_t done, uint64_t total)>;

// Deletions that can be undone, newest first; older ones are forgotten.
constexpr size_t kUndoDepth = 20;

class TakeEditor {
public:
    explicit TakeEditor(AviWriterOptions options = {});
    ~TakeEditor();
    TakeEditor(const TakeEditor&) = delete;
    TakeEditor& operator=(const TakeEditor&) = delete;

    // Starts a new recording, as AviWriter::open(); forgets the previous take's deletions.
    Error open(const std::string& path);
    // Writes the final index and closes, as AviWriter::close(): a take its path cannot take stays
    // open, to be closed again or saved elsewhere with saveAs().
    Error close();
    Error saveAs(const std::string& path);

    bool isOpen() const { return m_writer && m_writer->isOpen(); }
    // The frames in the file.
    size_t frameCount() const { return m_frames.size(); }
    // Of the open take.
    const std::string& path() const { return m_writer->path(); }
    FrameSize frameSize() const { return m_writer->frameSize(); }
    AviVideoCodec codec() const { return m_options.codec; }
    // What the user should know of the last shot or edit of the open take although it
    // succeeded; else empty.
    // The close's notice outlasts the closed file, for its caller to pass on.
    const std::string& notice() const { return m_writer ? m_writer->notice() : m_closedNotice; }

    // Puts a shot in so that it becomes frame `at` (0 .. frameCount(); frameCount() appends).
    // Errors: those of AviWriter::appendFrame, BadFrame for a place past the end.
    Error insertFrame(size_t at, const Frame& frame, uint32_t microSecPerFrame);
    Error appendFrame(const Frame& frame, uint32_t microSecPerFrame) {
        return insertFrame(frameCount(), frame, microSecPerFrame);
    }
    // Deletes frame `index`; the only frame is refused (Unsupported), as is a frame past the end.
    Error deleteFrame(size_t index);
    // Brings the newest deletion back at its place: after the frame it followed when that frame
    // is still there, else at the index it had. Returns the frame's index in `restoredAt`.
    Error undoDelete(size_t* restoredAt = nullptr);
    size_t undoableDeletions() const { return m_deletions.size(); }

    // Stays with a frame through every edit, and comes back with it on undo: what a cache of
    // pictures is keyed by.
    uint64_t frameId(size_t index) const { return m_frames.at(index).id; }
    // Frame `index` as stored: a JPEG in MJPEG recordings, bottom-up 24-bit BGR rows otherwise.
    Error readFrame(size_t index, std::vector<uint8_t>& bytes) const;

    void setProgress(EditProgress progress) { m_progress = std::move(progress); }
    // As AviWriter::setCopyProgress, for this take's files now and after edits.
    void setCopyProgress(CopyProgress progress);
    // As AviWriterOptions::syncEachFrame, for this take's later frames and edits.
    void setSyncEachFrame(bool on);
    // For tests: called before every change to the take's files, the rewritten ones included.
    void setFileHook(FileOperationHook hook);

private:
    struct TakeFrame {
        uint64_t id;
        AviChunkRef chunk;
        uint32_t microSecPerFrame;
        AviWriter::Mark before;  // the file as it was without this frame and those after it
    };
    struct Deletion {
        uint64_t id;
        std::optional<uint64_t> follows;  // the frame it came after, none for the first
        size_t index;
        uint32_t microSecPerFrame;
        std::vector<uint8_t> bytes;
    };
    // One frame of a take being rewritten: a frame of the file, kept bytes or a new shot.
    struct Piece {
        uint64_t id;
        uint32_t microSecPerFrame;
        const TakeFrame* kept = nullptr;
        const std::vector<uint8_t>* bytes = nullptr;
        const Frame* shot = nullptr;
    };

    std::unique_ptr<AviWriter> newWriter(const AviWriterOptions& options) const;
    Error appendToEnd(const Piece& piece);
    Error rewrite(const std::vector<Piece>& order);
    Error deleteLast(const Deletion& deletion);
    std::vector<Piece> currentOrder() const;

    AviWriterOptions m_options;
    std::unique_ptr<AviWriter> m_writer;
    std::string m_closedNotice;
    std::vector<TakeFrame> m_frames;
    std::deque<Deletion> m_deletions;
    uint64_t m_nextId = 1;
    EditProgress m_progress;
    CopyProgress m_copyProgress;
    FileOperationHook m_hook;
};

}  // namespace media
