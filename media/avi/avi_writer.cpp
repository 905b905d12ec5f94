#include "media/avi/avi_writer.h"

#include <algorithm>
#include <numeric>

#include "media/jpeg/pixel_convert.h"
#include "media/jpeg/preview.h"

namespace media {
namespace {

constexpr uint32_t kMicrosecondsPerSecond = 1'000'000;
constexpr uint64_t kSmallestRiffSizeLimit = 4096;
// Sizes are signed 32-bit for many readers.
constexpr uint64_t kLargestRiffSizeLimit = 0x7FFFFFFF;

std::string SizeText(int width, int height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

}  // namespace

AviWriter::AviWriter(AviWriterOptions options) : options_(options) {}

AviWriter::~AviWriter() { close(); }

Error AviWriter::checkOptions() const {
    if (options_.riffSizeLimit < kSmallestRiffSizeLimit ||
        options_.riffSizeLimit > kLargestRiffSizeLimit || options_.indexBlockEntries == 0 ||
        options_.superIndexEntries == 0 || options_.jpegQuality < 1 || options_.jpegQuality > 100) {
        return {ErrorKind::Unsupported, "AVI writer options out of range"};
    }
    return Error::none();
}

Error AviWriter::open(const std::string& path) {
    close();
    if (Error e = checkOptions()) return e;
    progress_ = {};
    firstPartChunks_.clear();
    repairPending_ = false;
    file_.setSyncEnabled(options_.syncEachFrame);
    if (Error e = file_.create(path)) return e;

    // Headers and the first standard index, written at once before anything refers to them.
    std::vector<uint8_t> bytes = BuildAviHeader(options_.codec, options_.superIndexEntries, layout_);
    header_ = HeaderImage(bytes);
    const std::vector<uint8_t> block =
        BuildIndexBlock(options_.codec, options_.indexBlockEntries, 0);
    bytes.insert(bytes.end(), block.begin(), block.end());
    progress_.blockOffset = layout_.moviData;
    progress_.blocks = 1;
    progress_.end = layout_.moviData + block.size();
    applyCounters();
    header_.markClean();
    const std::vector<uint8_t>& patched = header_.bytes();
    std::copy(patched.begin(), patched.end(), bytes.begin());

    Error e = file_.writeAt(0, bytes);
    if (!e) e = file_.sync();
    if (e) file_.close();
    return e;
}

Error AviWriter::encode(const Frame& frame, std::vector<uint8_t>& payload) const {
    if (options_.codec == AviVideoCodec::Mjpeg) {
        return EncodeJpeg(frame, options_.jpegQuality, payload);
    }
    return FrameToDib(frame, payload);
}

Error AviWriter::appendFrame(const Frame& frame, uint32_t microSecPerFrame) {
    if (!file_.isOpen()) return {ErrorKind::Io, "No recording file is open"};
    if (Error e = file_.followPath()) return e;
    // A fault that has cleared since (space freed, the file writable again) lets it go on.
    if (repairPending_) {
        if (Error e = repair()) return e;
    }
    if (microSecPerFrame == 0) return {ErrorKind::BadFrame, "A frame needs a duration"};
    if (progress_.frames > 0 &&
        (frame.width != progress_.width || frame.height != progress_.height)) {
        return {ErrorKind::BadFrame, "The frame is " + SizeText(frame.width, frame.height) +
                                         " but the recording is " +
                                         SizeText(progress_.width, progress_.height)};
    }
    std::vector<uint8_t> payload;
    if (Error e = encode(frame, payload)) return e;
    if (payload.size() >= options_.riffSizeLimit / 2) {
        return {ErrorKind::BadFrame, "A frame of " + std::to_string(payload.size()) +
                                         " bytes is too large for the file"};
    }

    Progress rollbackTo = progress_;
    Error e = writeFrame(payload, frame, microSecPerFrame, rollbackTo);
    if (e) rollback(rollbackTo);
    return e;
}

bool AviWriter::partWouldOverflow(uint64_t chunkSize, bool newBlock) const {
    uint64_t end = progress_.end + chunkSize;
    if (newBlock) end += IndexBlockSize(options_.indexBlockEntries);
    if (progress_.partStart == 0) {
        end += kChunkHeaderSize + (progress_.firstPartFrames + 1) * kIdx1EntrySize;
    }
    return end - progress_.partStart > options_.riffSizeLimit;
}

Error AviWriter::writeFrame(const std::vector<uint8_t>& payload, const Frame& frame,
                            uint32_t microSecPerFrame, Progress& rollbackTo) {
    const uint64_t chunkSize = FrameChunkSize(static_cast<uint32_t>(payload.size()));
    const bool blockFull = progress_.blockUsed == options_.indexBlockEntries;
    // The first part is closed either here, at the split, or by an earlier call whose frame
    // then failed.
    bool newPart = progress_.partStart == 0 && progress_.firstPartEnd != 0;
    if (!newPart && progress_.partFrames > 0 && partWouldOverflow(chunkSize, blockFull)) {
        if (progress_.partStart == 0) {
            if (Error e = finishFirstPart()) return e;
            // A complete first part is a valid file: keep it whatever happens to this frame.
            rollbackTo = progress_;
        }
        newPart = true;
    }
    const bool newBlock = newPart || blockFull;
    if (newBlock && progress_.blocks == layout_.superIndexCapacity) {
        return {ErrorKind::FileTooLarge,
                file_.path() + " holds as many frames as its index has room for"};
    }

    if (progress_.frames == 0) {
        // Players must know the picture size before there is a frame to show.
        progress_.width = frame.width;
        progress_.height = frame.height;
        if (Error e = commitCounters()) return e;
        if (Error e = file_.sync()) return e;
    }

    Progress next = progress_;
    std::vector<uint8_t> bytes;
    if (newPart) {
        bytes = BuildPartHeader();
        next.partStart = progress_.end;
        next.partFrames = 0;
    }
    if (newBlock) {
        next.blockOffset = progress_.end + bytes.size();
        next.blockBase = next.partStart;
        next.blockUsed = 0;
        next.blocks += 1;
        const std::vector<uint8_t> block =
            BuildIndexBlock(options_.codec, options_.indexBlockEntries, next.blockBase);
        bytes.insert(bytes.end(), block.begin(), block.end());
    }
    bytes.reserve(bytes.size() + chunkSize);
    const uint64_t chunkOffset = progress_.end + bytes.size();
    AppendFrameChunk(options_.codec, payload, bytes);
    const uint32_t dataSize = static_cast<uint32_t>(payload.size());

    // The data first, then its index entry in room no reader looks at yet; both made durable
    // before anything counts them.
    if (Error e = file_.writeAt(progress_.end, bytes)) return e;
    const std::vector<uint8_t> entry = BuildIndexBlockEntry(chunkOffset, next.blockBase, dataSize);
    const uint64_t entryOffset =
        next.blockOffset + kIndexBlockHeaderSize + uint64_t(next.blockUsed) * kIndexBlockEntrySize;
    if (Error e = file_.writeAt(entryOffset, entry)) return e;
    if (Error e = file_.sync()) return e;

    next.end = progress_.end + bytes.size();
    next.frames += 1;
    next.partFrames += 1;
    next.blockUsed += 1;
    next.maxChunk = std::max(next.maxChunk, dataSize);
    next.microSecPerFrame = microSecPerFrame;
    if (next.partStart == 0) {
        next.firstPartFrames += 1;
        firstPartChunks_.push_back({chunkOffset, dataSize});
    }
    progress_ = next;
    if (Error e = commitCounters()) return e;
    if (Error e = file_.sync()) return e;
    // The first frame is on disk: now the new take may replace what the path held.
    return file_.publish();
}

Error AviWriter::finishFirstPart() {
    const std::vector<uint8_t> idx1 =
        BuildIdx1(options_.codec, firstPartChunks_, layout_.moviList + kChunkHeaderSize);
    const uint64_t at = progress_.end;
    const std::span<const uint8_t> bytes(idx1);
    // The chunk header must never be on disk without room for the size it claims, nor entries
    // without their header: readers walking the file would take entries for frames. So: room
    // (zeros), then the header, then the entries.
    if (Error e = file_.truncate(at + idx1.size())) return e;
    if (Error e = file_.sync()) return e;
    if (Error e = file_.writeAt(at, bytes.first(kChunkHeaderSize))) return e;
    if (Error e = file_.sync()) return e;
    if (Error e = file_.writeAt(at + kChunkHeaderSize, bytes.subspan(kChunkHeaderSize))) return e;
    if (Error e = file_.sync()) return e;

    progress_.firstMoviEnd = at;
    progress_.firstPartEnd = at + idx1.size();
    progress_.end = progress_.firstPartEnd;
    if (Error e = commitCounters()) return e;
    return file_.sync();
}

void AviWriter::applyCounters() {
    const Progress& p = progress_;
    HeaderImage& h = header_;
    const AviHeaderLayout& l = layout_;
    const uint64_t firstRiffEnd = p.firstPartEnd ? p.firstPartEnd : p.end;
    const uint64_t firstMoviEnd = p.firstPartEnd ? p.firstMoviEnd : p.end;
    const uint32_t us = p.microSecPerFrame;
    const uint32_t divisor = us ? std::gcd(us, kMicrosecondsPerSecond) : 1;
    const uint64_t bytesPerSec = us ? uint64_t(p.maxChunk) * kMicrosecondsPerSecond / us : 0;

    h.set32(l.riffSize, static_cast<uint32_t>(firstRiffEnd - kChunkHeaderSize));
    h.set32(l.moviSize, static_cast<uint32_t>(firstMoviEnd - l.moviList - kChunkHeaderSize));
    h.set32(l.microSecPerFrame, us);
    h.set32(l.maxBytesPerSec, static_cast<uint32_t>(std::min<uint64_t>(bytesPerSec, UINT32_MAX)));
    h.set32(l.flags, p.firstPartEnd ? kAviFlagHasIndex : 0);
    h.set32(l.firstPartFrames, static_cast<uint32_t>(p.firstPartFrames));
    h.set32(l.mainBufferSize, p.maxChunk);
    h.set32(l.mainWidth, static_cast<uint32_t>(p.width));
    h.set32(l.mainHeight, static_cast<uint32_t>(p.height));
    h.set32(l.scale, us ? us / divisor : 1);
    h.set32(l.rate, us ? kMicrosecondsPerSecond / divisor : 1);
    h.set32(l.length, static_cast<uint32_t>(p.frames));
    h.set32(l.streamBufferSize, p.maxChunk);
    h.set16(l.frameRight, static_cast<uint16_t>(p.width));
    h.set16(l.frameBottom, static_cast<uint16_t>(p.height));
    h.set32(l.bitmapWidth, static_cast<uint32_t>(p.width));
    h.set32(l.bitmapHeight, static_cast<uint32_t>(p.height));
    h.set32(l.bitmapImageSize, static_cast<uint32_t>(DibRowStride(p.width) * size_t(p.height)));
    h.set32(l.superIndexEntriesInUse, p.blocks);
    const uint64_t entry = l.superIndexFirstEntry + uint64_t(p.blocks - 1) * kSuperEntrySize;
    h.set64(entry + kSuperEntryOffset, p.blockOffset);
    h.set32(entry + kSuperEntryChunkSize, IndexBlockSize(options_.indexBlockEntries));
    h.set32(entry + kSuperEntryDuration, p.blockUsed);
    h.set32(l.grandFrames, static_cast<uint32_t>(p.frames));
}

Error AviWriter::commitCounters() {
    const Progress& p = progress_;
    // Innermost first: the standard index, then the part holding it, then the main headers.
    uint8_t used[4];
    PutLe32(used, p.blockUsed);
    if (Error e = file_.writeAt(p.blockOffset + kIndexBlockEntriesInUse, used)) return e;
    if (p.partStart != 0) {
        uint8_t sizes[16];
        PutLe32(sizes, static_cast<uint32_t>(p.end - p.partStart - kChunkHeaderSize));
        PutLe32(sizes + 4, FourCC("AVIX"));
        PutLe32(sizes + 8, FourCC("LIST"));
        PutLe32(sizes + 12, static_cast<uint32_t>(p.end - p.partStart - kPartHeaderSize + 4));
        if (Error e = file_.writeAt(p.partStart + kPartRiffSize, sizes)) return e;
    }
    applyCounters();
    if (header_.dirtyBytes().empty()) return Error::none();
    if (Error e = file_.writeAt(header_.dirtyOffset(), header_.dirtyBytes())) return e;
    header_.markClean();
    return Error::none();
}

void AviWriter::rollback(const Progress& to) {
    progress_ = to;
    firstPartChunks_.resize(to.firstPartFrames);
    // Should this fail too, the next frame tries again before anything else.
    repair();
}

// Puts the file back to what progress_ describes: nothing past its end, every header byte as
// counted. A failed write may have left any of the header on disk, so all of it is written.
Error AviWriter::repair() {
    header_.markAllDirty();
    Error e = file_.truncate(progress_.end);
    if (!e) e = commitCounters();
    if (!e) e = file_.sync();
    repairPending_ = bool(e);
    return e;
}

Error AviWriter::close() {
    if (!file_.isOpen()) return Error::none();
    // A take without a frame never showed at its path: it is dropped, whatever state it is in.
    if (!file_.published()) return file_.close();
    // A file deleted after the last frame is still saved where it was asked for.
    Error result = file_.followPath();
    if (repairPending_) {
        if (Error e = repair(); e && !result) result = e;
    }
    if (!repairPending_ && progress_.partStart == 0 && progress_.firstPartEnd == 0 &&
        progress_.firstPartFrames > 0) {
        const Progress before = progress_;
        Error e = finishFirstPart();
        // Without its idx1 the file is still complete: players use the OpenDML index.
        if (e) rollback(before);
        if (e && !result) result = e;
    }
    if (Error e = file_.sync(); e && !result) result = e;
    if (Error e = file_.close(); e && !result) result = e;
    return result;
}

}  // namespace media
