#include "media/avi/take_editor.h"

#include <algorithm>

#include "media/common/monotonic_clock.h"

namespace media {
namespace {

// Edits quicker than this show no progress: a bar that flashes up is worse than none.
constexpr int64_t kQuietEditNs = 500'000'000;

Error NoSuchFrame(size_t index, size_t count) {
    return {ErrorKind::BadFrame,
            "There is no frame " + std::to_string(index + 1) + ": the take has " + std::to_string(count)};
}

}  // namespace

TakeEditor::TakeEditor(AviWriterOptions options) : m_options(options) {}

TakeEditor::~TakeEditor() { close(); }

void TakeEditor::setFileHook(FileOperationHook hook) {
    m_hook = std::move(hook);
    if (m_writer) m_writer->setFileHook(m_hook);
}

void TakeEditor::setCopyProgress(CopyProgress progress) {
    m_copyProgress = std::move(progress);
    if (m_writer) m_writer->setCopyProgress(m_copyProgress);
}

std::unique_ptr<AviWriter> TakeEditor::newWriter(const AviWriterOptions& options) const {
    auto writer = std::make_unique<AviWriter>(options);
    writer->setFileHook(m_hook);
    writer->setCopyProgress(m_copyProgress);
    return writer;
}

void TakeEditor::setSyncEachFrame(bool on) {
    m_options.syncEachFrame = on;
    if (m_writer) m_writer->setSyncEachFrame(on);
}

Error TakeEditor::open(const std::string& path) {
    close();
    m_frames.clear();
    m_deletions.clear();
    m_writer = newWriter(m_options);
    return m_writer->open(path);
}

Error TakeEditor::close() {
    if (!m_writer) return Error::none();
    Error e = m_writer->close();
    // Still holding frames its path cannot take: they wait for another close() or saveAs().
    if (m_writer->isOpen()) return e;
    m_closedNotice = m_writer->notice();
    m_writer.reset();
    m_frames.clear();
    m_deletions.clear();
    return e;
}

Error TakeEditor::saveAs(const std::string& path) {
    if (!isOpen()) return {ErrorKind::Io, "No recording file is open"};
    Error e = m_writer->saveAs(path);
    if (!e) close();
    return e;
}

Error TakeEditor::readFrame(size_t index, std::vector<uint8_t>& bytes) const {
    if (index >= m_frames.size()) return NoSuchFrame(index, m_frames.size());
    return m_writer->readChunk(m_frames[index].chunk, bytes);
}

std::vector<TakeEditor::Piece> TakeEditor::currentOrder() const {
    std::vector<Piece> order;
    order.reserve(m_frames.size() + 1);
    for (const TakeFrame& f : m_frames) order.push_back({f.id, f.microSecPerFrame, &f});
    return order;
}

Error TakeEditor::appendToEnd(const Piece& piece) {
    const AviWriter::Mark before = m_writer->mark();
    Error e = piece.shot ? m_writer->appendFrame(*piece.shot, piece.microSecPerFrame)
                         : m_writer->appendEncoded(*piece.bytes, m_writer->frameSize(), piece.microSecPerFrame);
    if (e) return e;
    m_frames.push_back({piece.id, m_writer->lastChunk(), piece.microSecPerFrame, before});
    return Error::none();
}

Error TakeEditor::insertFrame(size_t at, const Frame& frame, uint32_t microSecPerFrame) {
    if (!isOpen()) return {ErrorKind::Io, "No recording file is open"};
    if (at > m_frames.size()) return NoSuchFrame(at, m_frames.size());
    const Piece shot{m_nextId, microSecPerFrame, nullptr, nullptr, &frame};
    std::vector<Piece> order;
    if (at < m_frames.size()) {
        order = currentOrder();
        order.insert(order.begin() + ptrdiff_t(at), shot);
    }
    Error e = order.empty() ? appendToEnd(shot) : rewrite(order);
    if (!e) ++m_nextId;
    return e;
}

Error TakeEditor::deleteFrame(size_t index) {
    if (!isOpen()) return {ErrorKind::Io, "No recording file is open"};
    if (index >= m_frames.size()) return NoSuchFrame(index, m_frames.size());
    if (m_frames.size() == 1) {
        return {ErrorKind::Unsupported, "The take's only frame cannot be deleted: shoot its replacement first"};
    }
    const TakeFrame& gone = m_frames[index];
    Deletion deletion{
        gone.id, index > 0 ? std::optional(m_frames[index - 1].id) : std::nullopt, index, gone.microSecPerFrame, {}};
    if (Error e = m_writer->readChunk(gone.chunk, deletion.bytes)) return e;

    // The last frame is cut off the end, unless it began a new RIFF part.
    if (index + 1 == m_frames.size() && m_writer->canCutBackTo(m_frames.back().before)) {
        if (Error e = deleteLast(deletion)) return e;
    } else {
        std::vector<Piece> order = currentOrder();
        order.erase(order.begin() + ptrdiff_t(index));
        if (Error e = rewrite(order)) return e;
    }
    m_deletions.push_front(std::move(deletion));
    if (m_deletions.size() > kUndoDepth) m_deletions.pop_back();
    return Error::none();
}

Error TakeEditor::deleteLast(const Deletion& deletion) {
    Error e = m_writer->cutBackTo(m_frames.back().before);
    if (e && m_writer->frameCount() == m_frames.size()) return e;
    m_frames.pop_back();
    if (!e) return e;
    // The frame was cut but the cut may not be on the disk: rather than leave that uncertain,
    // the frame is put back and the delete fails. Should even that fail, the delete stands.
    if (appendToEnd({deletion.id, deletion.microSecPerFrame, nullptr, &deletion.bytes})) return Error::none();
    return e;
}

Error TakeEditor::undoDelete(size_t* restoredAt) {
    if (!isOpen()) return {ErrorKind::Io, "No recording file is open"};
    if (m_deletions.empty()) return {ErrorKind::Unsupported, "There is no deleted frame to bring back"};
    const Deletion& d = m_deletions.front();
    size_t at = std::min(d.index, m_frames.size());
    if (!d.follows) at = 0;
    for (size_t i = 0; d.follows && i < m_frames.size(); ++i) {
        if (m_frames[i].id == *d.follows) at = i + 1;
    }
    const Piece piece{d.id, d.microSecPerFrame, nullptr, &d.bytes};
    Error e;
    if (at == m_frames.size()) {
        e = appendToEnd(piece);
    } else {
        std::vector<Piece> order = currentOrder();
        order.insert(order.begin() + ptrdiff_t(at), piece);
        e = rewrite(order);
    }
    if (e) return e;
    m_deletions.pop_front();
    if (restoredAt) *restoredAt = at;
    return Error::none();
}

// The take in `order`, written beside the path with no sync per frame, made durable once, then
// renamed over the path. Until the rename the old take is the one at the path, whole.
Error TakeEditor::rewrite(const std::vector<Piece>& order) {
    AviWriterOptions options = m_options;
    options.syncEachFrame = false;
    options.publishWithFirstFrame = false;
    std::unique_ptr<AviWriter> fresh = newWriter(options);
    std::vector<TakeFrame> frames;
    frames.reserve(order.size());
    const int64_t start = MonotonicNowNs();
    bool told = false;

    Error e = fresh->openSuccessor(*m_writer);
    for (size_t i = 0; !e && i < order.size(); ++i) {
        const Piece& piece = order[i];
        const AviWriter::Mark before = fresh->mark();
        if (piece.shot) {
            e = fresh->appendFrame(*piece.shot, piece.microSecPerFrame);
        } else if (piece.kept) {
            e = fresh->appendCopied(*m_writer, piece.kept->chunk, piece.microSecPerFrame);
        } else {
            e = fresh->appendEncoded(*piece.bytes, m_writer->frameSize(), piece.microSecPerFrame);
        }
        if (e) break;
        frames.push_back({piece.id, fresh->lastChunk(), piece.microSecPerFrame, before});
        if (m_progress && (told || MonotonicNowNs() - start >= kQuietEditNs)) {
            told = true;
            m_progress(i + 1, order.size());
        }
    }
    if (!e) {
        fresh->setSyncEachFrame(m_options.syncEachFrame);
        e = fresh->publish();
    }
    // Once the rename is done the new take is the one at the path, even if its folder could not
    // be synced: a power cut may then bring the old take back, never a mix.
    if (e && !fresh->published()) {
        fresh->close();
        return {e.kind, "The take was left as it was: " + e.message};
    }
    m_writer->abandon();
    m_writer = std::move(fresh);
    m_frames = std::move(frames);
    return Error::none();
}

}  // namespace media
