// The large view's edits of the open recording: shots asked of the program, deletions and their
// undoing done here, each followed by the program's counter and every view.
#include "capture_window.h"

#include "media/stills/still_frame.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace avicap32 {
namespace {

QString Why(const std::string& what, const media::Error& error) {
    return QString::fromStdString(what + " " + error.message);
}

}  // namespace

std::vector<uint8_t> CaptureWindow::storedFrame(size_t index) const {
    std::vector<uint8_t> bytes;
    std::lock_guard lock(m_takeMutex);
    if (m_recording) m_recording->readFrame(index, bytes);
    return bytes;
}

void CaptureWindow::setInsertionPoint(std::optional<size_t> at) {
    // At the end is no insertion point at all: shots append, and the end follows them.
    if (!m_recording || (at && *at >= m_recording->frameCount())) at.reset();
    m_insertAt = at;
}

// The program takes the shot with its own button's handler, so that the questions, the counter
// and the file are exactly a press's. A box of the program's own disables its window: the shot
// would wait behind the answer, so the animator is told instead.
QString CaptureWindow::shoot() {
    HWND owner = GetParent(handle());
    if (!owner) return QStringLiteral("No program takes shots from this window.");
    if (!IsWindowEnabled(owner))
        return QStringLiteral("Not shot: Kinoree's main window is waiting for an answer. Answer it, then shoot again.");
    const size_t before = frameCount();
    m_lastError.clear();
    m_slowEdit = false;
    SendMessageW(owner, WM_COMMAND, MAKEWPARAM(id(), CAPN_SHOOT), reinterpret_cast<LPARAM>(handle()));
    endSlowEdit();
    if (m_recording && frameCount() > before) return QString();
    // Declined questions take no frame and need no word; a failure says why.
    return m_lastError.empty() ? QString() : QString::fromStdString("No frame was captured. " + m_lastError);
}

QString CaptureWindow::deleteFrame(size_t index) {
    if (!m_recording) return QStringLiteral("No take is open");
    if (m_recording->frameCount() <= 1)
        return QStringLiteral("The only frame of the take cannot be deleted: shoot its replacement first.");
    // The still being taken goes into the take on its own thread: the take waits for it.
    if (m_stillsTake && m_stillsTake->pressing())
        return QStringLiteral("A still is being taken: try again when it is in.");
    m_slowEdit = false;
    // A stills camera's take keeps its stills in step: a deleted frame's still goes aside with it.
    media::Error error = m_stillsTake ? media::DeleteFrameWithStill(*m_stillsFolder, *m_recording, index)
                                      : m_recording->deleteFrame(index);
    endSlowEdit();
    if (error) return Why("The frame was not deleted:", error);
    if (m_insertAt && index < *m_insertAt) setInsertionPoint(*m_insertAt - 1);
    takeEdited();
    return QString();
}

QString CaptureWindow::undoDelete(size_t& restoredAt) {
    if (!m_recording) return QStringLiteral("No take is open");
    if (m_recording->undoableDeletions() == 0) return QStringLiteral("Nothing to undo");
    if (m_stillsTake && m_stillsTake->pressing())
        return QStringLiteral("A still is being taken: try again when it is in.");
    m_slowEdit = false;
    media::Error error = m_stillsTake ? media::UndoDeleteWithStill(*m_stillsFolder, *m_recording, &restoredAt)
                                      : m_recording->undoDelete(&restoredAt);
    endSlowEdit();
    if (error) return Why("The frame was not brought back:", error);
    // A frame deleted from before the insertion point comes back before it.
    if (m_insertAt && restoredAt <= *m_insertAt) m_insertAt = *m_insertAt + 1;
    takeEdited();
    return QString();
}

void CaptureWindow::takeEdited() {
    reportNotice();
    m_view.takeChanged();
    if (HWND owner = GetParent(handle()))
        SendMessageW(owner, WM_COMMAND, MAKEWPARAM(id(), CAPN_FRAMES_CHANGED), reinterpret_cast<LPARAM>(handle()));
}

void CaptureWindow::endSlowEdit() {
    if (!m_slowEdit) return;
    m_slowEdit = false;
    LargeView* large = m_view.largeView();
    if (large) large->setRefusingKeys(true);
    QCoreApplication::processEvents();
    if (large) large->setRefusingKeys(false);
}

void CaptureWindow::showEditProgress(uint64_t done, uint64_t total) {
    m_slowEdit = true;
    if (LargeView* large = m_view.largeView()) {
        large->showStatus(done < total ? QStringLiteral("Rewriting the take: %1%").arg(total ? done * 100 / total : 0)
                                       : QString());
    }
    // The edit runs inside the key's handler: the large view still shows how far it has got, and
    // the animator's keys wait until it has ended.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace avicap32
