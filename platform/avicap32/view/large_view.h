// The large view: a window of its own showing the live picture (with the onion skin) at any
// size, full screen on request, with the controls an animator changes during a take, since the
// capture window's dialogs are closed to a recording in progress.
#pragma once

#include "media/view/time_lapse.h"

#include <QTimer>
#include <QWidget>

#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSlider;
class QSpinBox;
class QToolButton;

namespace avicap32 {

class AnimatorView;
class FrameStrip;
class PreviewWidget;

class LargeView : public QWidget {
public:
    explicit LargeView(AnimatorView& view);

    PreviewWidget* picture() const { return m_picture; }
    // Brings the controls in line with the view's settings and state, acting on nothing.
    void showState();
    // Live, last frame, or the frame being played (index -1: not playing).
    void showPlaying(int index, int count);
    void showStatus(const QString& text);
    void toggleFullScreen();
    // While on, the keys do nothing: those pressed during a slow edit are not acted on later.
    void setRefusingKeys(bool on) { m_refusingKeys = on; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void changeSettings();
    void togglePlaying();
    // The editing keys: each tells what it did, or why not, in the status line.
    void shootOrGoLive();
    void step(int by);
    void showFirst();
    void goLiveAtEnd();
    void deleteShownOrPrevious();
    void deleteBeforeInsertionPoint();
    void undoDelete();
    void insertHere();
    void startShortPlay();
    void toggleTimeLapse();
    void timeLapseTick();
    void stopTimeLapse(const QString& why);
    // Enter or Escape in a number field ends its editing: the keys are the take's again.
    bool releaseNumberField();
    // Whether a take is open to act on; else says there is none.
    bool takeAtHand();
    // The status line for the picture shown: live, a recorded frame, where the next shot goes.
    QString pictureText() const;

    AnimatorView& m_view;
    PreviewWidget* m_picture;
    QComboBox* m_onionFrames;
    QSlider* m_opacity;
    QCheckBox* m_mirror;
    QPushButton* m_lastFrame;
    QPushButton* m_play;
    QCheckBox* m_loop;
    QPushButton* m_fullScreen;
    QPushButton* m_shoot;
    QPushButton* m_insert;
    QToolButton* m_guides;
    QSpinBox* m_shortPlayFrames;
    QPushButton* m_timeLapse;
    QSpinBox* m_timeLapseSeconds;
    QTimer m_timeLapseTimer;
    std::optional<media::TimeLapseSchedule> m_schedule;
    QLabel* m_status;
    FrameStrip* m_strip;
    bool m_refusingKeys = false;
};

}  // namespace avicap32
