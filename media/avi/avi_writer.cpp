#include "media/avi/avi_writer.h"

#include <algorithm>
#include <numeric>

#include "media/avi/riff_builder.h"
#include "media/jpeg/pixel_convert.h"
#include "media/jpeg/preview.h"

namespace media {
namespace {

constexpr uint32_t kMicrosecondsPerSecond = 1'000'000;
constexpr uint64_t kSmallestRiffSizeLimit = 4096;
// Sizes are signed 32-bit for many readers.
constexpr uint64_t kLargestRiffSizeLimit = 0x7FFFFFFF;

std::string SizeText(int width, int height) { return std::to_string(width) + "x" + std::to_string(height); }

}  // namespace

AviWriter::AviWriter(AviWriterOptions options) : m_options(options) {}

AviWriter::~AviWriter() { close(); }

Error AviWriter::checkOptions() const {
    if (m_options.riffSizeLimit < kSmallestRiffSizeLimit || m_options.riffSizeLimit > kLargestRiffSizeLimit ||
        m_options.indexBlockEntries == 0 || m_options.superIndexEntries == 0 || m_options.jpegQuality < 1 ||
        m_options.jpegQuality > 100) {
        return {ErrorKind::Unsupported, "AVI writer options out of range"};
    }
    return Error::none();
}

Error AviWriter::open(const std::string& path) {
    close();
    if (Error e = checkOptions()) return e;
    m_progress = {};
    m_firstPartChunks.clear();
    m_repairPending = false;
    m_file.setSyncEnabled(m_options.syncEachFrame);
    m_file.setNeverInPlace(!m_options.publishWithFirstFrame);
    if (Error e = m_file.create(path)) return e;

    // Headers and the first standard index, written at once before anything refers to them.
    std::vector<uint8_t> bytes = BuildAviHeader(m_options.codec, m_options.superIndexEntries, m_layout);
    const std::vector<uint8_t> block = BuildIndexBlock(m_options.codec, m_options.indexBlockEntries, 0);
    bytes.insert(bytes.end(), block.begin(), block.end());
    // The first standard index's header lies right behind the main headers: kept in one image
    // with them, its count is written in the same write as theirs, so a kill never parts them.
    m_header = HeaderImage(
        std::vector<uint8_t>(bytes.begin(), bytes.begin() + std::ptrdiff_t(m_layout.moviData + kIndexBlockHeaderSize)));
    m_blockEntries.clear();
    m_previousBlock = 0;
    m_progress.blocks = 1;
    m_progress.end = m_layout.moviData + block.size();
    applyCounters();
    m_header.markClean();
    const std::vector<uint8_t>& patched = m_header.bytes();
    std::copy(patched.begin(), patched.end(), bytes.begin());

    Error e = m_file.writeAt(0, bytes);
    if (!e) e = m_file.sync();
    if (e) m_file.close();
    return e;
}

Error AviWriter::openSuccessor(const AviWriter& current) {
    m_file.setPredecessor(&current.m_file);
    Error e = open(current.path());
    m_file.setPredecessor(nullptr);
    return e;
}

Error AviWriter::encode(const Frame& frame, std::span<const uint8_t>& payload) {
    if (m_options.codec == AviVideoCodec::Mjpeg) {
        return m_encoder.encode(frame, m_options.jpegQuality, payload);
    }
    if (Error e = FrameToDib(frame, m_dib)) return e;
    payload = m_dib;
    return Error::none();
}

Error AviWriter::prepareAppend(uint32_t microSecPerFrame, FrameSize size) {
    if (!m_file.isOpen()) return {ErrorKind::Io, "No recording file is open"};
    if (Error e = m_file.followPath()) return e;
    m_file.retryFolderSync();
    // A fault that has cleared since (space freed, the file writable again) lets it go on.
    if (m_repairPending) {
        if (Error e = repair()) return e;
    }
    if (microSecPerFrame == 0) return {ErrorKind::BadFrame, "A frame needs a duration"};
    if (m_progress.frames > 0 && (size.width != m_progress.width || size.height != m_progress.height)) {
        return {ErrorKind::BadFrame, "The frame is " + SizeText(size.width, size.height) + " but the recording is " +
                                         SizeText(m_progress.width, m_progress.height)};
    }
    return Error::none();
}

Error AviWriter::appendFrame(const Frame& frame, uint32_t microSecPerFrame) {
    const FrameSize size{frame.width, frame.height};
    if (Error e = prepareAppend(microSecPerFrame, size)) return e;
    std::span<const uint8_t> payload;
    if (Error e = encode(frame, payload)) return e;
    return appendPayload({payload}, size, microSecPerFrame);
}

Error AviWriter::appendEncoded(std::span<const uint8_t> payload, FrameSize size, uint32_t microSecPerFrame) {
    if (Error e = prepareAppend(microSecPerFrame, size)) return e;
    return appendPayload({payload}, size, microSecPerFrame);
}

Error AviWriter::appendCopied(const AviWriter& source, const AviChunkRef& chunk, uint32_t microSecPerFrame) {
    const FrameSize size = source.frameSize();
    if (Error e = prepareAppend(microSecPerFrame, size)) return e;
    return appendPayload({{}, &source.m_file, chunk}, size, microSecPerFrame);
}

Error AviWriter::appendPayload(const StoredFrame& payload, FrameSize size, uint32_t microSecPerFrame) {
    if (payload.size() >= m_options.riffSizeLimit / 2) {
        return {ErrorKind::BadFrame,
                "A frame of " + std::to_string(payload.size()) + " bytes is too large for the file"};
    }
    Progress rollbackTo = m_progress;
    Error e = writeFrame(payload, size, microSecPerFrame, rollbackTo);
    if (e) rollback(rollbackTo);
    return e;
}

// Room is kept in the part for what must still go into it after the frame: its standard index,
// copied there when the part ends, and in the first part idx1.
bool AviWriter::partWouldOverflow(uint64_t chunkSize) const {
    const Progress& p = m_progress;
    uint64_t end = p.end + chunkSize;
    uint32_t entries = p.blockRetired ? 1 : p.blockUsed + 1;
    if (!p.blockRetired && p.blockUsed == m_options.indexBlockEntries) {
        end += IndexBlockSize(p.blockUsed);
        entries = 1;
    }
    end += IndexBlockSize(entries);
    if (p.partStart == 0) end += kChunkHeaderSize + (p.firstPartFrames + 1) * kIdx1EntrySize;
    return end - p.partStart > m_options.riffSizeLimit;
}

// The standard index behind the headers, full or ending with its part, is copied as it stands
// to the end of the part, and the super index points at the copy: then its place is free.
Error AviWriter::retireBlock() {
    std::vector<uint8_t> copy = BuildIndexBlock(m_options.codec, m_progress.blockUsed, m_progress.blockBase);
    PutLe32(copy.data() + kIndexBlockEntriesInUse, m_progress.blockUsed);
    std::copy(m_blockEntries.begin(), m_blockEntries.end(), copy.begin() + kIndexBlockHeaderSize);
    if (Error e = m_file.writeAt(m_progress.end, copy)) return e;
    if (Error e = m_file.sync()) return e;
    m_progress.retiredOffset = m_progress.end;
    m_progress.end += copy.size();
    m_progress.blockRetired = true;
    if (Error e = commitCounters()) return e;
    return m_file.sync();
}

Error AviWriter::writeFrame(const StoredFrame& payload, FrameSize size, uint32_t microSecPerFrame,
                            Progress& rollbackTo) {
    const uint32_t dataSize = payload.size();
    const uint64_t chunkSize = FrameChunkSize(dataSize);
    // The first part is closed either here, at the split, or by an earlier call whose frame
    // then failed; so is a standard index.
    bool newPart = m_progress.partStart == 0 && m_progress.firstPartEnd != 0;
    const bool split = !newPart && m_progress.partFrames > 0 && partWouldOverflow(chunkSize);
    const bool newBlock =
        newPart || split || m_progress.blockRetired || m_progress.blockUsed == m_options.indexBlockEntries;
    if (newBlock && m_progress.blocks == m_layout.superIndexCapacity) {
        return {ErrorKind::FileTooLarge, m_file.path() + " holds as many frames as its index has room for"};
    }
    if (newBlock && !m_progress.blockRetired) {
        if (Error e = retireBlock()) return e;
        // A copied index is a valid file: keep it whatever happens to this frame.
        rollbackTo = m_progress;
    }
    if (split) {
        if (m_progress.partStart == 0) {
            if (Error e = finishFirstPart()) return e;
            // A complete first part is a valid file too.
            rollbackTo = m_progress;
        }
        newPart = true;
    }

    if (m_progress.frames == 0) {
        // Players must know the picture size before there is a frame to show.
        m_progress.width = size.width;
        m_progress.height = size.height;
        if (Error e = commitCounters()) return e;
        if (Error e = m_file.sync()) return e;
    }

    Progress next = m_progress;
    std::vector<uint8_t>& bytes = m_chunk;
    bytes.clear();
    if (newPart) {
        bytes = BuildPartHeader();
        next.partStart = m_progress.end;
        next.partFrames = 0;
    }
    if (newBlock) {
        next.blockBase = next.partStart;
        next.blockUsed = 0;
        next.blocks += 1;
        next.blockRetired = false;
    }
    bytes.reserve(bytes.size() + chunkSize);
    const uint64_t chunkOffset = m_progress.end + bytes.size();
    AppendFrameChunk(m_options.codec, payload.bytes, bytes);

    // The data first, then its index entry in room no reader looks at yet; both made durable
    // before anything counts them.
    if (!payload.source) {
        if (Error e = m_file.writeAt(m_progress.end, bytes)) return e;
    } else {
        // Never through memory: the chunk's size, then its data copied, then its pad byte.
        PutLe32(bytes.data() + (chunkOffset - m_progress.end) + 4, dataSize);
        if (Error e = m_file.writeAt(m_progress.end, bytes)) return e;
        const uint64_t dataOffset = chunkOffset + kChunkHeaderSize;
        if (Error e = m_file.copyAt(dataOffset, *payload.source, payload.chunk.offset, dataSize)) return e;
        if (dataSize & 1) {
            const uint8_t pad = 0;
            if (Error e = m_file.writeAt(dataOffset + dataSize, {&pad, 1})) return e;
        }
    }
    if (newBlock) {
        // The place behind the headers is no index's now: the new one's header goes there before
        // the super index points at it, so that no torn write of the headers points at a stale one.
        uint8_t fields[kIndexBlockBaseOffset + 8 - kIndexBlockEntriesInUse];
        PutLe32(fields, 1);
        PutLe32(fields + 4, FrameChunkId(m_options.codec));
        PutLe64(fields + 8, next.blockBase);
        if (Error e = m_file.writeAt(m_layout.moviData + kIndexBlockEntriesInUse, fields)) return e;
    }
    const std::vector<uint8_t> entry = BuildIndexBlockEntry(chunkOffset, next.blockBase, dataSize);
    const uint64_t entryOffset =
        m_layout.moviData + kIndexBlockHeaderSize + uint64_t(next.blockUsed) * kIndexBlockEntrySize;
    if (Error e = m_file.writeAt(entryOffset, entry)) return e;
    if (Error e = m_file.sync()) return e;

    next.end = chunkOffset + chunkSize;
    next.frames += 1;
    next.partFrames += 1;
    next.blockUsed += 1;
    next.maxChunk = std::max(next.maxChunk, dataSize);
    next.microSecPerFrame = microSecPerFrame;
    next.lastChunk = {chunkOffset + kChunkHeaderSize, dataSize};
    if (next.partStart == 0) {
        next.firstPartFrames += 1;
        m_firstPartChunks.push_back({chunkOffset, dataSize});
    }
    m_progress = next;
    if (newBlock) {
        m_previousBlockEntries.swap(m_blockEntries);
        m_previousBlock = m_progress.blocks - 1;
        m_blockEntries.clear();
    }
    m_blockEntries.insert(m_blockEntries.end(), entry.begin(), entry.end());
    if (Error e = commitCounters()) return e;
    if (Error e = m_file.sync()) return e;
    // The first frame is on disk: now the new take may replace what the path held.
    return m_options.publishWithFirstFrame ? m_file.publish() : Error::none();
}

Error AviWriter::finishFirstPart() {
    const std::vector<uint8_t> idx1 =
        BuildIdx1(m_options.codec, m_firstPartChunks, m_layout.moviList + kChunkHeaderSize);
    const uint64_t at = m_progress.end;
    // The chunk header must never be on disk without room for the size it claims, and must
    // never claim entries that are not there: room (zeros) first, then the whole chunk at once.
    if (Error e = m_file.truncate(at + idx1.size())) return e;
    if (Error e = m_file.sync()) return e;
    if (Error e = m_file.writeAt(at, idx1)) return e;
    if (Error e = m_file.sync()) return e;

    m_progress.firstMoviEnd = at;
    m_progress.firstPartEnd = at + idx1.size();
    m_progress.end = m_progress.firstPartEnd;
    if (Error e = commitCounters()) return e;
    return m_file.sync();
}

void AviWriter::applyCounters() {
    const Progress& p = m_progress;
    HeaderImage& h = m_header;
    const AviHeaderLayout& l = m_layout;
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
    if (p.blockRetired) {
        h.set64(entry + kSuperEntryOffset, p.retiredOffset);
        h.set32(entry + kSuperEntryChunkSize, IndexBlockSize(p.blockUsed));
    } else {
        h.set64(entry + kSuperEntryOffset, l.moviData);
        h.set32(entry + kSuperEntryChunkSize, IndexBlockSize(m_options.indexBlockEntries));
        h.set32(l.moviData + kIndexBlockEntriesInUse, p.blockUsed);
        h.set64(l.moviData + kIndexBlockBaseOffset, p.blockBase);
    }
    h.set32(entry + kSuperEntryDuration, p.blockUsed);
    h.set32(l.grandFrames, static_cast<uint32_t>(p.frames));
}

Error AviWriter::commitCounters() {
    const Progress& p = m_progress;
    // The part holding the newest frame first, then the headers with the standard index behind
    // them.
    if (p.partStart != 0) {
        uint8_t sizes[16];
        PutLe32(sizes, static_cast<uint32_t>(p.end - p.partStart - kChunkHeaderSize));
        PutLe32(sizes + 4, FourCC("AVIX"));
        PutLe32(sizes + 8, FourCC("LIST"));
        PutLe32(sizes + 12, static_cast<uint32_t>(p.end - p.partStart - kPartHeaderSize + 4));
        if (Error e = m_file.writeAt(p.partStart + kPartRiffSize, sizes)) return e;
    }
    applyCounters();
    if (m_header.dirtyBytes().empty()) return Error::none();
    if (Error e = m_file.writeAt(m_header.dirtyOffset(), m_header.dirtyBytes())) return e;
    m_header.markClean();
    return Error::none();
}

void AviWriter::rollback(const Progress& to) {
    if (to.blocks != m_progress.blocks) {
        m_blockEntries.swap(m_previousBlockEntries);
        m_previousBlock = 0;
    }
    m_blockEntries.resize(size_t(to.blockUsed) * kIndexBlockEntrySize);
    m_progress = to;
    m_firstPartChunks.resize(to.firstPartFrames);
    // Should this fail too, the next frame tries again before anything else.
    repair();
}

// Puts the file back to what m_progress describes: nothing past its end, every header byte as
// counted. A failed write may have left any of the header on disk, so all of it is written.
Error AviWriter::repair() {
    m_header.markAllDirty();
    Error e = m_file.truncate(m_progress.end);
    if (!e) e = commitCounters();
    if (!e) e = m_file.sync();
    m_repairPending = bool(e);
    return e;
}

Error AviWriter::cutBackTo(const Mark& mark) {
    if (!m_file.isOpen()) return {ErrorKind::Io, "No recording file is open"};
    if (mark.m_progress.frames >= m_progress.frames) return Error::none();
    if (!canCutBackTo(mark)) return {ErrorKind::Unsupported, "The frames after the mark are not in its index"};
    if (Error e = m_file.followPath()) return e;
    m_file.retryFolderSync();
    if (m_repairPending) {
        if (Error e = repair()) return e;
    }
    if (mark.m_progress.blocks != m_progress.blocks) return cutBackAcrossIndex(mark.m_progress);
    if (Error e = countBackTo(mark.m_progress, m_progress)) return e;
    m_blockEntries.resize(size_t(m_progress.blockUsed) * kIndexBlockEntrySize);
    return m_file.sync();
}

// The counters first, then the tail cut: until it is, it lies past what the counters count, like
// a frame being appended. On failure the file goes back to `otherwise`.
Error AviWriter::countBackTo(const Progress& to, Progress otherwise) {
    m_progress = to;
    m_header.markAllDirty();
    Error e = commitCounters();
    if (!e) e = m_file.sync();
    if (!e) e = m_file.truncate(to.end);
    if (e) {
        m_progress = otherwise;
        repair();
        return e;
    }
    m_firstPartChunks.resize(to.firstPartFrames);
    return Error::none();
}

// The frames after `to` began a new standard index, in the place behind the headers, when the
// one before filled and was copied behind its frames: the index before goes back to that place
// and the headers point at it again. Every step leaves a file that holds a state of the take: the
// headers first count the frames up to `to` with their index where it was copied, so that the
// place behind the headers is nobody's while the index's entries are written back into it.
Error AviWriter::cutBackAcrossIndex(const Progress& to) {
    Progress copied = to;
    copied.blockRetired = true;
    copied.retiredOffset = m_progress.retiredOffset;
    copied.end = m_progress.retiredOffset + IndexBlockSize(to.blockUsed);
    if (Error e = countBackTo(copied, m_progress)) return e;
    m_blockEntries.swap(m_previousBlockEntries);
    m_previousBlock = 0;
    m_blockEntries.resize(size_t(to.blockUsed) * kIndexBlockEntrySize);

    Error e = m_file.writeAt(m_layout.moviData + kIndexBlockHeaderSize, m_blockEntries);
    if (!e) e = m_file.sync();
    if (e) {
        repair();  // the take stays as the first step left it
        return e;
    }
    e = countBackTo(to, copied);
    if (e) return e;
    loadPreviousBlock();
    return m_file.sync();
}

// The index before the one behind the headers was copied right behind its frames when it filled:
// its entries are read back from there, so that a further cut can go back into it too.
void AviWriter::loadPreviousBlock() {
    const Progress& p = m_progress;
    if (p.blocks < 2 || p.retiredOffset == 0) return;
    uint8_t used[4];
    if (m_file.readAt(p.retiredOffset + kIndexBlockEntriesInUse, used)) return;
    const uint32_t entries = GetLe32(used);
    if (entries > m_options.indexBlockEntries) return;
    m_previousBlockEntries.resize(size_t(entries) * kIndexBlockEntrySize);
    if (m_file.readAt(p.retiredOffset + kIndexBlockHeaderSize, m_previousBlockEntries)) return;
    m_previousBlock = p.blocks - 1;
}

bool AviWriter::canCutBackTo(const Mark& mark) const {
    const Progress& to = mark.m_progress;
    if (m_progress.blockRetired || to.blockRetired || to.partStart != m_progress.partStart ||
        to.firstPartEnd != m_progress.firstPartEnd) {
        return false;
    }
    if (to.blocks == m_progress.blocks) return true;
    // Back into the index before: its entries are at hand, and its copy lies right behind `mark`.
    return to.blocks + 1 == m_progress.blocks && m_previousBlock == to.blocks && to.end == m_progress.retiredOffset;
}

Error AviWriter::publish() {
    if (Error e = m_file.sync()) return e;
    return m_file.publish();
}

void AviWriter::setSyncEachFrame(bool on) {
    m_options.syncEachFrame = on;
    m_file.setSyncEnabled(on);
}

Error AviWriter::readChunk(const AviChunkRef& chunk, std::vector<uint8_t>& data) const {
    data.resize(chunk.size);
    return m_file.readAt(chunk.offset, data);
}

Error AviWriter::close() {
    if (!m_file.isOpen()) return Error::none();
    // A take without a frame never showed at its path: it is dropped, whatever state it is in.
    if (!m_file.published()) return m_file.close();
    // A file deleted after the last frame is still saved where it was asked for; where it cannot
    // be, the frames stay in the open file rather than go with it.
    if (Error e = m_file.followPath()) return e;
    m_file.retryFolderSync();
    Error result;
    if (m_repairPending) {
        if (Error e = repair(); e && !result) result = e;
    }
    if (!m_repairPending && m_progress.partStart == 0 && m_progress.firstPartEnd == 0 &&
        m_progress.firstPartFrames > 0) {
        const Progress before = m_progress;
        Error e = finishFirstPart();
        // Without its idx1 the file is still complete: players use the OpenDML index.
        if (e) rollback(before);
        if (e && !result) result = e;
    }
    if (Error e = m_file.sync(); e && !result) result = e;
    if (Error e = m_file.close(); e && !result) result = e;
    return result;
}

Error AviWriter::saveAs(const std::string& path) {
    if (!m_file.isOpen()) return {ErrorKind::Io, "No recording file is open"};
    if (!m_file.published()) return m_file.close();  // no frame: nothing to keep
    if (Error e = m_file.saveAs(path)) return e;
    return close();
}

}  // namespace media
