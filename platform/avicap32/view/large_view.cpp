#include "large_view.h"

#include "animator_view.h"

#include "media/common/monotonic_clock.h"
#include "media/view/compositor.h"
#include "frame_strip.h"
#include "preview_widget.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QMenu>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <initializer_list>
#include <optional>

namespace avicap32 {
namespace {

const QString kTitle = QStringLiteral("Large View");

QPushButton* ToggleButton(const QString& text, const QString& key, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setCheckable(true);
    button->setToolTip(QStringLiteral("%1 (%2)").arg(QString(text).remove(QLatin1Char('&')), key));
    return button;
}

}  // namespace

LargeView::LargeView(AnimatorView& view) : QWidget(nullptr, Qt::Window), m_view(view) {
    setWindowTitle(kTitle);
    m_picture = new PreviewWidget(this);
    m_picture->setScale(true);
    m_picture->setMinimumSize(320, 180);
    m_picture->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

    m_onionFrames = new QComboBox(this);
    m_onionFrames->addItem(QStringLiteral("Off"));
    m_onionFrames->addItem(QStringLiteral("1 frame"));
    for (int n = 2; n <= media::kMaxOnionFrames; ++n) m_onionFrames->addItem(QStringLiteral("%1 frames").arg(n));
    auto* onionLabel = new QLabel(QStringLiteral("&Onion skin:"), this);
    onionLabel->setBuddy(m_onionFrames);
    m_opacity = new QSlider(Qt::Horizontal, this);
    m_opacity->setRange(media::kMinOnionOpacity, media::kMaxOnionOpacity);
    m_opacity->setPageStep(10);
    m_opacity->setFixedWidth(m_opacity->fontMetrics().averageCharWidth() * 14);
    m_opacity->setToolTip(QStringLiteral("Opacity of the onion skin"));
    auto* opacityLabel = new QLabel(QStringLiteral("Op&acity:"), this);
    opacityLabel->setBuddy(m_opacity);
    m_mirror = new QCheckBox(QStringLiteral("&Mirror"), this);
    m_lastFrame = ToggleButton(QStringLiteral("&Last Frame"), QStringLiteral("L"), this);
    m_play = ToggleButton(QStringLiteral("Play"), QStringLiteral("P"), this);
    m_loop = new QCheckBox(QStringLiteral("Loo&p"), this);
    m_fullScreen = ToggleButton(QStringLiteral("&Full Screen"), QStringLiteral("F11"), this);
    m_shoot = new QPushButton(QStringLiteral("Shoot"), this);
    m_shoot->setToolTip(QStringLiteral("Shoot (Space or Enter)"));
    m_insert = new QPushButton(QStringLiteral("Insert here"), this);
    m_insert->setToolTip(QStringLiteral("Insert here (I): shots go in after the frame shown"));
    m_guides = new QToolButton(this);
    m_guides->setText(QStringLiteral("&Guides"));
    m_guides->setPopupMode(QToolButton::InstantPopup);
    auto* guideMenu = new QMenu(m_guides);
    const std::pair<QString, bool media::GuideSet::*> guideItems[] = {
        {QStringLiteral("Rule of thirds"), &media::GuideSet::thirds},
        {QStringLiteral("Action safe (93 %)"), &media::GuideSet::actionSafe},
        {QStringLiteral("Title safe (90 %)"), &media::GuideSet::titleSafe},
        {QStringLiteral("Centre cross"), &media::GuideSet::centreCross},
        {QStringLiteral("2.39:1 mask"), &media::GuideSet::mask239},
        {QStringLiteral("1.85:1 mask"), &media::GuideSet::mask185},
        {QStringLiteral("4:3 mask"), &media::GuideSet::mask43}};
    for (const auto& item : guideItems) {
        const auto member = item.second;
        QAction* action = guideMenu->addAction(item.first);
        action->setCheckable(true);
        connect(guideMenu, &QMenu::aboutToShow, action,
                [this, action, member] { action->setChecked(m_view.settings().guides.*member); });
        connect(action, &QAction::toggled, this, [this, member](bool on) {
            DisplaySettings settings = m_view.settings();
            settings.guides.*member = on;
            m_view.setSettings(settings);
        });
    }
    m_guides->setMenu(guideMenu);
    m_shortPlayFrames = new QSpinBox(this);
    m_shortPlayFrames->setRange(media::kShortPlayFewest, media::kShortPlayMost);
    m_shortPlayFrames->setSuffix(QStringLiteral(" frames"));
    m_shortPlayFrames->setToolTip(QStringLiteral("Short play (S): the last frames before the next shot"));
    m_timeLapse = ToggleButton(QStringLiteral("&Time-lapse"), QStringLiteral("T"), this);
    m_timeLapseSeconds = new QSpinBox(this);
    m_timeLapseSeconds->setRange(media::kTimeLapseShortestSeconds, media::kTimeLapseLongestSeconds);
    m_timeLapseSeconds->setValue(10);
    m_timeLapseSeconds->setSuffix(QStringLiteral(" s"));
    m_timeLapseSeconds->setToolTip(QStringLiteral("A time-lapse shot every so many seconds"));
    m_timeLapseTimer.setInterval(200);
    connect(&m_timeLapseTimer, &QTimer::timeout, this, [this] { timeLapseTick(); });
    m_status = new QLabel(this);
    m_strip = new FrameStrip(m_view, this);
    // The keys belong to the take whatever was clicked last: a control keeps the focus only
    // until it has been used.
    for (QWidget* control : std::initializer_list<QWidget*>{m_onionFrames, m_opacity, m_mirror, m_lastFrame, m_play,
                                                            m_loop, m_fullScreen, m_shoot, m_insert, m_guides,
                                                            m_shortPlayFrames, m_timeLapse, m_timeLapseSeconds})
        control->setFocusPolicy(Qt::ClickFocus);

    // Two rows: how the picture is shown above, what is done to the take below.
    auto* display = new QHBoxLayout;
    display->addWidget(onionLabel);
    display->addWidget(m_onionFrames);
    display->addWidget(opacityLabel);
    display->addWidget(m_opacity);
    display->addWidget(m_mirror);
    display->addWidget(m_guides);
    display->addSpacing(12);
    display->addWidget(m_lastFrame);
    display->addWidget(m_play);
    display->addWidget(m_loop);
    display->addStretch(1);
    display->addWidget(m_fullScreen);
    auto* take = new QHBoxLayout;
    take->addWidget(m_shoot);
    take->addWidget(m_insert);
    take->addSpacing(12);
    take->addWidget(new QLabel(QStringLiteral("Short play:"), this));
    take->addWidget(m_shortPlayFrames);
    take->addSpacing(12);
    take->addWidget(m_timeLapse);
    take->addWidget(m_timeLapseSeconds);
    take->addSpacing(12);
    take->addWidget(m_status, 1);
    auto* controls = new QVBoxLayout;
    controls->setSpacing(4);
    controls->addLayout(display);
    controls->addLayout(take);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_picture, 1);
    layout->addWidget(m_strip);
    auto* bar = new QWidget(this);
    bar->setLayout(controls);
    layout->addWidget(bar);

    connect(m_onionFrames, &QComboBox::currentIndexChanged, this, [this] { changeSettings(); });
    connect(m_opacity, &QSlider::valueChanged, this, [this] { changeSettings(); });
    connect(m_mirror, &QCheckBox::toggled, this, [this] { changeSettings(); });
    connect(m_loop, &QCheckBox::toggled, this, [this] { changeSettings(); });
    connect(m_lastFrame, &QPushButton::clicked, this, [this](bool on) { m_view.setShowLastFrame(on); });
    connect(m_play, &QPushButton::clicked, this, [this] { togglePlaying(); });
    connect(m_fullScreen, &QPushButton::clicked, this, [this] { toggleFullScreen(); });
    connect(m_shoot, &QPushButton::clicked, this, [this] { shootOrGoLive(); });
    connect(m_insert, &QPushButton::clicked, this, [this] { insertHere(); });
    connect(m_shortPlayFrames, &QSpinBox::valueChanged, this, [this] { changeSettings(); });
    connect(m_timeLapse, &QPushButton::clicked, this, [this] { toggleTimeLapse(); });
    m_picture->setPlayListener([this](int index, int count) { showPlaying(index, count); });

    // Single keys, so that an animator's hand finds them without looking.
    auto key = [this](const QKeySequence& sequence, auto action) {
        connect(new QShortcut(sequence, this), &QShortcut::activated, this, [this, action] {
            if (!m_refusingKeys) action();
        });
    };
    key(QKeySequence(Qt::Key_L), [this] { m_view.setShowLastFrame(!m_view.showingLastFrame()); });
    key(QKeySequence(Qt::Key_P), [this] { togglePlaying(); });
    key(QKeySequence(Qt::Key_F11), [this] { toggleFullScreen(); });
    key(QKeySequence(Qt::Key_Space), [this] { shootOrGoLive(); });
    key(QKeySequence(Qt::Key_Return), [this] {
        if (!releaseNumberField()) shootOrGoLive();
    });
    key(QKeySequence(Qt::Key_Enter), [this] {
        if (!releaseNumberField()) shootOrGoLive();
    });
    key(QKeySequence(Qt::Key_S), [this] { startShortPlay(); });
    key(QKeySequence(Qt::Key_T), [this] { toggleTimeLapse(); });
    key(QKeySequence(Qt::Key_Left), [this] { step(-1); });
    key(QKeySequence(Qt::Key_Right), [this] { step(1); });
    key(QKeySequence(Qt::Key_Home), [this] { showFirst(); });
    key(QKeySequence(Qt::Key_End), [this] { goLiveAtEnd(); });
    key(QKeySequence(Qt::Key_Delete), [this] { deleteShownOrPrevious(); });
    key(QKeySequence(Qt::Key_Backspace), [this] { deleteBeforeInsertionPoint(); });
    key(QKeySequence(Qt::CTRL | Qt::Key_Z), [this] { undoDelete(); });
    key(QKeySequence(Qt::Key_I), [this] { insertHere(); });
    key(QKeySequence(Qt::Key_Escape), [this] {
        if (!releaseNumberField() && isFullScreen()) toggleFullScreen();
    });

    // A 16:9 picture of 960 pixels across, or what the screen has room for.
    QSize picture(960, 540);
    if (const QScreen* screen = this->screen()) {
        const QSize room = screen->availableGeometry().size() * 9 / 10 - QSize(0, bar->sizeHint().height());
        picture.scale(picture.boundedTo(room), Qt::KeepAspectRatio);
    }
    resize(std::max(picture.width(), bar->sizeHint().width()),
           picture.height() + bar->sizeHint().height() + m_strip->height());
    showState();
}

void LargeView::showState() {
    const DisplaySettings& settings = m_view.settings();
    const QSignalBlocker blockers[] = {QSignalBlocker(m_onionFrames), QSignalBlocker(m_opacity),
                                       QSignalBlocker(m_mirror), QSignalBlocker(m_loop)};
    m_onionFrames->setCurrentIndex(settings.onionFrames);
    m_opacity->setValue(settings.onionOpacity);
    m_opacity->setEnabled(settings.onionFrames > 0);
    m_mirror->setChecked(settings.mirror);
    m_loop->setChecked(settings.loop);
    const QSignalBlocker shortPlayBlocker(m_shortPlayFrames);
    m_shortPlayFrames->setValue(settings.shortPlayFrames);
    m_lastFrame->setChecked(m_view.showingLastFrame());
    m_lastFrame->setEnabled(!m_view.recordedFrames().empty());
    m_play->setChecked(m_picture->playing());
    m_fullScreen->setChecked(isFullScreen());
    const bool open = m_view.takeControl() && m_view.takeControl()->takeOpen();
    m_insert->setEnabled(open && m_view.shownFrame());
    m_strip->follow();
    if (!m_picture->playing()) showStatus(pictureText());
}

QString LargeView::pictureText() const {
    const TakeControl* take = m_view.takeControl();
    const size_t count = take && take->takeOpen() ? take->frameCount() : 0;
    if (std::optional<size_t> shown = m_view.shownFrame())
        return QStringLiteral("Frame %1 of %2").arg(*shown + 1).arg(count);
    if (m_view.showingLastFrame()) return QStringLiteral("Last frame");
    if (take && take->takeOpen() && take->insertionPoint())
        return QStringLiteral("Live: the next shot goes after frame %1 of %2").arg(*take->insertionPoint()).arg(count);
    return QStringLiteral("Live");
}

bool LargeView::releaseNumberField() {
    if (!qobject_cast<QSpinBox*>(focusWidget())) return false;
    focusWidget()->clearFocus();
    setFocus();
    return true;
}

void LargeView::startShortPlay() {
    QString why;
    if (!m_view.shortPlay(why)) showStatus(why);
}

void LargeView::toggleTimeLapse() {
    if (m_schedule) {
        stopTimeLapse(QStringLiteral("Time-lapse stopped"));
        return;
    }
    if (!m_view.takeControl()) return;
    m_schedule.emplace(m_timeLapseSeconds->value(), media::MonotonicNowNs());
    m_timeLapse->setChecked(true);
    m_timeLapseSeconds->setEnabled(false);
    m_timeLapseTimer.start();
    timeLapseTick();
}

// Each due shot is a Space press; any shot that fails or is declined ends the time-lapse with
// its reason, since the next ones would fail alike while nobody watches.
void LargeView::timeLapseTick() {
    if (!m_schedule) return;
    const int64_t now = media::MonotonicNowNs();
    if (!m_schedule->due(now)) {
        const int64_t left = (m_schedule->remainingNs(now) + 999'999'999) / 1'000'000'000;
        showStatus(QStringLiteral("Time-lapse: next shot in %1 s").arg(left));
        return;
    }
    TakeControl* take = m_view.takeControl();
    const size_t before = take->takeOpen() ? take->frameCount() : 0;
    m_schedule->shotStarted(now);
    m_view.showFrame(std::nullopt);
    QString why = take->shoot();
    if (m_schedule) m_schedule->shotCompleted();
    if (why.isEmpty() && (!take->takeOpen() || take->frameCount() <= before))
        why = QStringLiteral("no frame was taken.");
    if (!why.isEmpty()) stopTimeLapse(QStringLiteral("Time-lapse stopped: ") + why);
}

void LargeView::stopTimeLapse(const QString& why) {
    m_schedule.reset();
    m_timeLapseTimer.stop();
    m_timeLapse->setChecked(false);
    m_timeLapseSeconds->setEnabled(true);
    showStatus(why);
}

bool LargeView::takeAtHand() {
    const TakeControl* take = m_view.takeControl();
    if (take && take->takeOpen() && take->frameCount() > 0) return true;
    showStatus(QStringLiteral("No take is open"));
    return false;
}

void LargeView::shootOrGoLive() {
    if (m_view.shownFrame()) {
        m_view.showFrame(std::nullopt);
        return;
    }
    TakeControl* take = m_view.takeControl();
    if (!take) return;
    m_view.stopPlaying();
    const QString why = take->shoot();
    if (!why.isEmpty()) showStatus(why);
}

void LargeView::step(int by) {
    if (!takeAtHand()) return;
    const TakeControl& take = *m_view.takeControl();
    const size_t count = take.frameCount();
    // Stepping back from the live picture starts at the frame before where the next shot goes.
    const long from = m_view.shownFrame() ? long(*m_view.shownFrame()) : long(take.insertionPoint().value_or(count));
    const long to = from + by;
    if (to < 0) return;
    m_view.showFrame(to >= long(count) ? std::nullopt : std::optional<size_t>(size_t(to)));
}

void LargeView::showFirst() {
    if (takeAtHand()) m_view.showFrame(0);
}

void LargeView::goLiveAtEnd() {
    TakeControl* take = m_view.takeControl();
    if (take && take->takeOpen() && take->insertionPoint()) {
        take->setInsertionPoint(std::nullopt);
        m_view.takeChanged();
    }
    m_view.showFrame(std::nullopt);
}

void LargeView::deleteShownOrPrevious() {
    if (!m_view.shownFrame()) {
        deleteBeforeInsertionPoint();
        return;
    }
    if (!takeAtHand()) return;
    const QString why = m_view.takeControl()->deleteFrame(*m_view.shownFrame());
    if (!why.isEmpty()) showStatus(why);
}

void LargeView::deleteBeforeInsertionPoint() {
    if (!takeAtHand()) return;
    if (m_view.shownFrame()) return;  // Delete is the key for a frame on show
    TakeControl& take = *m_view.takeControl();
    const size_t before = take.insertionPoint().value_or(take.frameCount());
    if (before == 0) return;
    const QString why = take.deleteFrame(before - 1);
    if (!why.isEmpty()) showStatus(why);
}

void LargeView::undoDelete() {
    if (!takeAtHand()) return;
    size_t restoredAt = 0;
    const QString why = m_view.takeControl()->undoDelete(restoredAt);
    if (!why.isEmpty()) showStatus(why);
}

void LargeView::insertHere() {
    if (!takeAtHand() || !m_view.shownFrame()) return;
    m_view.takeControl()->setInsertionPoint(*m_view.shownFrame() + 1);
    m_view.showFrame(std::nullopt);
    m_view.takeChanged();
}

void LargeView::showPlaying(int index, int count) {
    if (index < 0) {
        setWindowTitle(kTitle);
        showState();
        return;
    }
    setWindowTitle(kTitle + QStringLiteral(" (playing the take)"));
    m_play->setChecked(true);
    showStatus(QStringLiteral("Playing frame %1 of %2").arg(index + 1).arg(count));
}

void LargeView::showStatus(const QString& text) { m_status->setText(text); }

void LargeView::toggleFullScreen() {
    if (isFullScreen()) {
        showNormal();
    } else {
        showFullScreen();
    }
    m_fullScreen->setChecked(isFullScreen());
}

void LargeView::changeSettings() {
    DisplaySettings settings = m_view.settings();
    settings.onionFrames = m_onionFrames->currentIndex();
    settings.onionOpacity = m_opacity->value();
    settings.mirror = m_mirror->isChecked();
    settings.loop = m_loop->isChecked();
    settings.shortPlayFrames = m_shortPlayFrames->value();
    m_view.setSettings(settings);
}

void LargeView::togglePlaying() {
    if (m_picture->playing()) {
        m_view.stopPlaying();
        return;
    }
    QString why;
    if (!m_view.play(why)) {
        m_play->setChecked(false);
        showStatus(why);
    }
}

// Closing the window closes the large view: the next Video Display dialog opens it again.
void LargeView::closeEvent(QCloseEvent* event) {
    event->ignore();
    DisplaySettings settings = m_view.settings();
    settings.largeView = false;
    m_view.setSettings(settings);
}

void LargeView::showEvent(QShowEvent*) { m_picture->setPreviewing(true); }

void LargeView::hideEvent(QHideEvent*) { m_picture->setPreviewing(false); }

}  // namespace avicap32
