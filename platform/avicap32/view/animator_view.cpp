#include "animator_view.h"

#include "large_view.h"

#include "media/view/compositor.h"

#include <QScreen>

#include <algorithm>

namespace avicap32 {
namespace {

// Beside the capture window's dialog when the screen has room, so that neither hides the other.
void PlaceBeside(QWidget& window, const QWidget& dialog) {
    const QScreen* screen = dialog.screen();
    if (!screen) return;
    const QRect room = screen->availableGeometry();
    const QRect beside(dialog.frameGeometry().topRight() + QPoint(8, 0), window.frameGeometry().size());
    if (room.contains(beside)) window.move(beside.topLeft());
}

}  // namespace

AnimatorView::AnimatorView(PreviewWidget* preview, std::function<uint32_t()> frameInterval, TakeReader readTake)
    : m_preview(preview), m_frameInterval(std::move(frameInterval)), m_readTake(std::move(readTake)) {
    m_preview->shareDecodes(m_decodes);
}

AnimatorView::~AnimatorView() { m_largePicture = nullptr; }

void AnimatorView::offerFrame(const std::shared_ptr<const media::Frame>& frame) {
    m_preview->offerFrame(frame);
    // Created once and kept until this view goes, so the pointer stays good; a hidden large
    // view takes no frames.
    if (PreviewWidget* large = m_largePicture) large->offerFrame(frame);
}

void AnimatorView::setRate(int milliseconds) {
    m_rate = milliseconds;
    m_preview->setRate(milliseconds);
    if (m_largeView) m_largeView->picture()->setRate(milliseconds);
}

void AnimatorView::recordingOpened() { m_newRecording = true; }

void AnimatorView::frameRecorded(std::shared_ptr<const media::Frame> frame) {
    if (m_newRecording) m_recent.clear();
    m_newRecording = false;
    m_recent.insert(m_recent.begin(), std::move(frame));
    if (m_recent.size() > size_t(media::kMaxOnionFrames)) m_recent.resize(media::kMaxOnionFrames);
    showOverlay();
    if (m_largeView) m_largeView->showState();
}

void AnimatorView::setSettings(const DisplaySettings& settings) {
    DisplaySettings wanted = settings;
    wanted.onionFrames = std::clamp(wanted.onionFrames, 0, media::kMaxOnionFrames);
    wanted.onionOpacity = std::clamp(wanted.onionOpacity, media::kMinOnionOpacity, media::kMaxOnionOpacity);
    const bool changed = !(wanted == m_settings);
    m_settings = wanted;
    showOverlay();
    showLargeView(m_settings.largeView);
    if (m_largeView) m_largeView->picture()->setLoop(m_settings.loop);
    if (changed && m_settingsListener) m_settingsListener(m_settings);
}

void AnimatorView::setShowLastFrame(bool on) {
    m_showLastFrame = on && !m_recent.empty();
    showOverlay();
    if (m_largeView) m_largeView->showState();
}

void AnimatorView::showOverlay() {
    ViewOverlay overlay;
    overlay.recent = m_recent;
    overlay.onionFrames = m_settings.onionFrames;
    overlay.opacityPercent = m_settings.onionOpacity;
    overlay.mirror = m_settings.mirror;
    overlay.showLastFrame = m_showLastFrame;
    overlay.guides = m_settings.guides;
    m_preview->setOverlay(overlay);
    if (!m_largeView) return;
    // A stepped-to frame is the large view's alone: the dialog's preview stays live for posing.
    if (m_shownFrame) {
        overlay.recent = {m_shownFrame};
        overlay.showLastFrame = true;
    }
    m_largeView->picture()->setOverlay(std::move(overlay));
}

void AnimatorView::raiseLargeView() {
    DisplaySettings settings = m_settings;
    settings.largeView = true;
    setSettings(settings);
    m_largeView->raise();
    m_largeView->activateWindow();
}

bool AnimatorView::showFrame(std::optional<size_t> index) {
    m_shownIndex.reset();
    m_shownFrame.reset();
    if (index) {
        std::shared_ptr<const media::RecordedTake> take = m_readTake();
        auto frame = std::make_shared<media::Frame>();
        if (take && *index < take->frameCount() && !take->readFrame(*index, *frame)) {
            m_shownIndex = index;
            m_shownFrame = std::move(frame);
        }
    }
    showOverlay();
    if (m_largeView) m_largeView->showState();
    return m_shownIndex.has_value() == index.has_value();
}

void AnimatorView::takeChanged() {
    m_recent.clear();
    std::shared_ptr<const media::RecordedTake> take = m_readTake();
    if (take) {
        const size_t end = m_takeControl && m_takeControl->insertionPoint()
                               ? std::min(*m_takeControl->insertionPoint(), take->frameCount())
                               : take->frameCount();
        for (size_t i = end; i > 0 && m_recent.size() < size_t(media::kMaxOnionFrames); --i) {
            auto frame = std::make_shared<media::Frame>();
            if (take->readFrame(i - 1, *frame)) break;
            m_recent.push_back(std::move(frame));
        }
    }
    m_newRecording = false;
    if (m_showLastFrame && m_recent.empty()) m_showLastFrame = false;
    // The shown frame may have moved or gone: read again what is at its place now, or the new
    // last frame, so that Delete can go on deleting backwards.
    if (m_shownIndex && take && *m_shownIndex >= take->frameCount()) {
        m_shownIndex = take->frameCount() > 0 ? std::optional<size_t>(take->frameCount() - 1) : std::nullopt;
    }
    showFrame(m_shownIndex);
}

void AnimatorView::showLargeView(bool on) {
    if (!on) {
        if (m_largeView) {
            m_largeView->picture()->stopPlaying();
            m_largeView->hide();
        }
        return;
    }
    if (!m_largeView) {
        m_largeView = std::make_unique<LargeView>(*this);
        m_largeView->picture()->shareDecodes(m_decodes);
        m_largeView->picture()->setRate(m_rate);
        m_largePicture = m_largeView->picture();
        showOverlay();
        PlaceBeside(*m_largeView, *m_preview->window());
    }
    m_largeView->showState();
    if (!m_largeView->isVisible()) m_largeView->show();
}

bool AnimatorView::play(QString& why) {
    std::shared_ptr<const media::RecordedTake> take = m_readTake();
    if (!take || take->frameCount() == 0) {
        why = QStringLiteral("Nothing has been recorded yet.");
        return false;
    }
    DisplaySettings settings = m_settings;
    settings.largeView = true;
    setSettings(settings);
    const uint32_t interval = std::max<uint32_t>(m_frameInterval(), 1000);
    m_largeView->picture()->play(std::move(take), int((interval + 500) / 1000), m_settings.loop);
    return true;
}

bool AnimatorView::shortPlay(QString& why) {
    std::shared_ptr<const media::RecordedTake> take = m_readTake();
    const size_t count = take ? take->frameCount() : 0;
    const size_t insertAt =
        m_takeControl && m_takeControl->insertionPoint() ? std::min(*m_takeControl->insertionPoint(), count) : count;
    const media::FrameRange range = media::ShortPlayFrames(insertAt, m_settings.shortPlayFrames);
    if (range.count == 0) {
        why = QStringLiteral("Nothing has been recorded yet.");
        return false;
    }
    raiseLargeView();
    m_shownIndex.reset();
    m_shownFrame.reset();
    showOverlay();
    const uint32_t interval = std::max<uint32_t>(m_frameInterval(), 1000);
    m_largeView->picture()->play(std::move(take), int((interval + 500) / 1000), false, range);
    return true;
}

void AnimatorView::stopPlaying() {
    if (m_largeView) m_largeView->picture()->stopPlaying();
}

}  // namespace avicap32
