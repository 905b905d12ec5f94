// The Source dialog's page for a stills camera: its own settings as the camera reports them (ISO,
// shutter speed, aperture...), each change written, read back and remembered for the camera;
// focus stepped nearer or farther for live-view focusing; and the lock button, which for a camera
// whose settings stay as set checks that nothing is left automatic and says what still floats.
#pragma once

#include "media/stills/stills_camera.h"

#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <string>

class QComboBox;
class QFormLayout;
class QLabel;

namespace avicap32 {

class CaptureWindow;

class StillsSourcePage : public QWidget {
public:
    // `message` says why a change did not take.
    StillsSourcePage(CaptureWindow& window, std::shared_ptr<media::StillsCamera> camera, QLabel* message);
    ~StillsSourcePage() override;

private:
    void settingEvent(const media::StillsEvent& event);
    void show(const media::ConfigWidget& setting);
    void checkLock();

    CaptureWindow& m_window;
    std::shared_ptr<media::StillsCamera> m_camera;
    QLabel* m_message;
    QLabel* m_lockState = nullptr;
    QFormLayout* m_form = nullptr;
    QLabel* m_none = nullptr;
    // What the camera holds now, by configuration name, in the order they came.
    std::map<std::string, media::ConfigWidget> m_settings;
    std::map<std::string, QComboBox*> m_lists;
};

}  // namespace avicap32
