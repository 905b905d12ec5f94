// Records frames into an AVI file that stays complete and playable after every frame.
//
// Layout: a first RIFF 'AVI ' (hdrl with avih, strl {strh, strf, indx}, odml {dmlh}; movi;
// idx1) followed, past the size limit, by RIFF 'AVIX' parts each holding a movi list. The
// OpenDML standard index ('ix00') of the newest frames lies right behind the headers, at the start
// of the first movi, with reserved room; when it fills, or its part ends, it is copied to the end
// of its part as it stands and the next one takes its place. The super index ('indx') in the
// header points at them all. So the headers and the index counting the newest frame are one
// stretch of the file, patched in one write: no kill parts them. A frame costs a fixed amount of
// writing however long the recording is: its chunk at the end of the file, one index entry in
// reserved room and the counters. The AVI 1.0 index (idx1) is
// written once, when the first part ends (at the split or at close): players read the OpenDML
// index, or walk the chunks, until then.
//
// Each frame is made durable before the headers count it (write, sync, patch, sync), and a frame
// that is not fully written is never counted, so a crash or power cut at any moment leaves a
// file that players read with every frame whose appendFrame() returned. The first frame is also
// where the new file takes its name (see OutputFile), durably, before it is confirmed.
//
// File size limits: with RLIMIT_FSIZE set, the kernel sends SIGXFSZ when a write crosses it,
// which kills the process by default. Programs using this writer must ignore SIGXFSZ
// (signal(SIGXFSZ, SIG_IGN)); the write then fails with EFBIG and appendFrame() reports
// FileTooLarge, leaving the file as it was before that frame.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "media/avi/avi_layout.h"
#include "media/avi/avi_reader.h"
#include "media/avi/header_image.h"
#include "media/avi/output_file.h"
#include "media/common/frame.h"
#include "media/jpeg/jpeg_encoder.h"

namespace media {

// Like FFmpeg's: many readers treat RIFF sizes as signed and older ones stop at 1 GiB.
constexpr uint64_t kDefaultRiffSizeLimit = uint64_t(1) << 30;

struct AviWriterOptions {
    AviVideoCodec codec = AviVideoCodec::Mjpeg;
    int jpegQuality = kDefaultJpegQuality;
    // No RIFF part grows beyond this; the frame that would cross it starts a new part.
    uint64_t riffSizeLimit = kDefaultRiffSizeLimit;
    // Frames per standard index chunk, and standard index chunks the header has room for:
    // together they bound the number of frames (4096 x 1024 by default, over a day at 30 fps).
    uint32_t indexBlockEntries = 4096;
    uint32_t superIndexEntries = 1024;
    // Sync to the disk after each frame. Off only where durability does not matter.
    bool syncEachFrame = true;
    // Off: the file stays beside the path until publish() (a take rewritten whole before it
    // replaces the old one), and is never written in place, failing instead.
    bool publishWithFirstFrame = true;
};

class AviWriter {
public:
    // The file as it was after some frame, to cut the recording back to.
    class Mark;

    explicit AviWriter(AviWriterOptions options = {});
    // Closes the file if still open.
    ~AviWriter();
    AviWriter(const AviWriter&) = delete;
    AviWriter& operator=(const AviWriter&) = delete;

    // Starts a new recording for `path` (missing folders are created) and writes the headers of
    // an empty recording. A video already at the path is replaced only when the first frame is
    // on disk; closed without one, the path is left as it was.
    // Errors: CannotCreate, DiskFull, FileTooLarge, Io.
    Error open(const std::string& path);
    // Starts the recording that is to replace `current` at its path, as open() does; that
    // `current` holds the path does not stop it.
    Error openSuccessor(const AviWriter& current);

    // Adds one frame shown for `microSecPerFrame`; the headers take the newest frame's
    // duration. Mjpeg frames are stored as they came (completed with Huffman tables) in MJPEG
    // recordings and other formats are compressed; DIB recordings store every frame as 24-bit
    // BGR. The first frame fixes the size: a frame of another size, or one that is not a
    // complete image, fails with BadFrame. On any failure the file is left as it was, with the
    // frames before; if even that cannot be done, the next call tries again first.
    Error appendFrame(const Frame& frame, uint32_t microSecPerFrame);
    // Adds a frame already in the form the recording stores (a chunk's bytes, as read from
    // another recording of the same codec), as appendFrame() does.
    Error appendEncoded(std::span<const uint8_t> payload, FrameSize size, uint32_t microSecPerFrame);
    // Adds frame `chunk` of `source`, a recording of the same codec, copied file to file.
    Error appendCopied(const AviWriter& source, const AviChunkRef& chunk, uint32_t microSecPerFrame);

    // Whether cutBackTo(mark) can cut at the end: the frames after `mark` share its standard index,
    // or they began the one after it, which then goes with them.
    bool canCutBackTo(const Mark& mark) const;
    // Cuts the frames after `mark` off the end: their chunks, index entries and counters, the
    // counters first, so that a crash leaves either all of them or none counted. On failure the
    // file keeps every frame, unless only the final sync failed: then frameCount() says so.
    Error cutBackTo(const Mark& mark);
    // The state after the newest frame, to cut back to.
    Mark mark() const { return Mark{m_progress}; }

    // With publishWithFirstFrame off: makes everything durable, then puts the file at its path.
    Error publish();
    // Closes without the final index and without looking at the path: for a recording whose
    // path another file has taken on purpose.
    void abandon() { m_file.closeReplaced(); }

    // Writes the final index and closes. Also done by the destructor. A recording whose path
    // cannot take its frames (the file was deleted and its folder refuses a new one) stays open
    // with them: close() may be tried again, or saveAs() puts them elsewhere.
    Error close();
    // Closes the recording as a video at `path`, a name that must not exist yet, instead of its
    // own path.
    Error saveAs(const std::string& path);

    bool isOpen() const { return m_file.isOpen(); }
    uint64_t frameCount() const { return m_progress.frames; }
    // What the user should know of the last frame or close although it succeeded; else empty.
    const std::string& notice() const { return m_file.notice(); }
    bool published() const { return m_file.published(); }
    const std::string& path() const { return m_file.path(); }
    FrameSize frameSize() const { return {m_progress.width, m_progress.height}; }
    // Where the newest frame's data is.
    AviChunkRef lastChunk() const { return m_progress.lastChunk; }
    Error readChunk(const AviChunkRef& chunk, std::vector<uint8_t>& data) const;
    void setSyncEachFrame(bool on);

    // Told while a recording whose file was deleted, moved or replaced is copied back to its
    // path, which the next appendFrame() or close() does before anything else.
    void setCopyProgress(CopyProgress progress) { m_file.setCopyProgress(std::move(progress)); }

    // For tests: called before every change made to the file.
    void setFileHook(FileOperationHook hook) { m_file.setHook(std::move(hook)); }

private:
    // Everything that describes what is on disk; a failed frame restores the copy taken before.
    struct Progress {
        uint64_t end = 0;  // file size: the next chunk goes here
        uint64_t frames = 0;
        uint64_t firstPartFrames = 0;
        uint64_t firstPartEnd = 0;  // end of the first RIFF once its idx1 is written, else 0
        uint64_t firstMoviEnd = 0;
        uint64_t partStart = 0;  // the RIFF new frames go to
        uint64_t partFrames = 0;
        uint64_t blockBase = 0;
        // The standard index of the newest frames has left its place behind the headers for
        // retiredOffset: the next frame starts a new one.
        bool blockRetired = false;
        uint64_t retiredOffset = 0;
        uint32_t blockUsed = 0;
        uint32_t blocks = 0;  // standard indexes listed in the super index
        uint32_t maxChunk = 0;
        uint32_t microSecPerFrame = 0;
        int width = 0;
        int height = 0;
        AviChunkRef lastChunk;
    };

public:
    class Mark {
        friend class AviWriter;
        explicit Mark(const Progress& progress) : m_progress(progress) {}
        Progress m_progress;
    };

private:
    // A frame's stored bytes: in memory, or a chunk of another recording's file.
    struct StoredFrame {
        std::span<const uint8_t> bytes;
        const OutputFile* source = nullptr;
        AviChunkRef chunk;
        uint32_t size() const { return source ? chunk.size : static_cast<uint32_t>(bytes.size()); }
    };

    Error checkOptions() const;
    Error encode(const Frame& frame, std::span<const uint8_t>& payload);
    Error prepareAppend(uint32_t microSecPerFrame, FrameSize size);
    Error appendPayload(const StoredFrame& payload, FrameSize size, uint32_t microSecPerFrame);
    Error writeFrame(const StoredFrame& payload, FrameSize size, uint32_t microSecPerFrame, Progress& rollbackTo);
    bool partWouldOverflow(uint64_t chunkSize) const;
    Error retireBlock();
    Error finishFirstPart();
    Error commitCounters();
    void applyCounters();
    void rollback(const Progress& to);
    Error repair();
    // `otherwise` by value: it is often m_progress itself.
    Error countBackTo(const Progress& to, Progress otherwise);
    Error cutBackAcrossIndex(const Progress& to);
    void loadPreviousBlock();

    AviWriterOptions m_options;
    OutputFile m_file;
    AviHeaderLayout m_layout{};
    HeaderImage m_header;
    Progress m_progress;
    std::vector<Idx1Entry> m_firstPartChunks;
    bool m_repairPending = false;  // a failed write could not be undone yet
    // Per-frame buffers, kept for the next frame: allocating and zeroing them anew is a
    // noticeable part of a frame's cost.
    JpegEncoder m_encoder;
    std::vector<uint8_t> m_dib;
    std::vector<uint8_t> m_chunk;
    // The entries of the standard index behind the headers, as written there, for its copy; and
    // the previous index's, should the frame that began the new one be undone.
    std::vector<uint8_t> m_blockEntries;
    std::vector<uint8_t> m_previousBlockEntries;
    uint32_t m_previousBlock = 0;  // which index (counted from 1) that is; 0 when none
};

}  // namespace media
