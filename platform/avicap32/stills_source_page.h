// The Source dialog's page for a stills camera: its own settings as the camera reports them (ISO,
// shutter speed, aperture...), each change written, read back and remembered for the camera;
// focus stepped nearer or farther for live-view focusing; and the lock button, which for a camera
// whose settings stay as set checks that nothing is left automatic and says what still floats.
#pragma once

#include "media/stills/stills_camera.h"
#include "media/stills/stills_settings.h"

#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class QComboBox;
class QFormLayout;
class QLabel;

namespace avicap32 {

class CaptureWindow;

// What Cancel puts back for a stills camera: the settings changed in the dialog, to what the camera
// held before, and what was remembered for it. The camera object may have been replaced by then
// (the dialog switched away and back), so the one connected with the same identity is written.
class StillsSettingsUndo {
public:
    explicit StillsSettingsUndo(CaptureWindow& window);
    // Before setting `name` changes from `value`; only its first change counts.
    void changing(const std::string& name, const std::string& value);
    void restore();

private:
    CaptureWindow& m_window;
    std::string m_key;
    media::StillsSettingsMemory m_remembered;
    std::vector<std::pair<std::string, std::string>> m_before;
};

class StillsSourcePage : public QWidget {
public:
    // `message` says why a change did not take; `undo` hears of every change before it is made.
    StillsSourcePage(CaptureWindow& window, std::shared_ptr<media::StillsCamera> camera, QLabel* message,
                     StillsSettingsUndo& undo);
    ~StillsSourcePage() override;

private:
    void settingEvent(const media::StillsEvent& event);
    void show(const media::ConfigWidget& setting);
    void checkLock();

    CaptureWindow& m_window;
    std::shared_ptr<media::StillsCamera> m_camera;
    QLabel* m_message;
    StillsSettingsUndo& m_undo;
    QLabel* m_lockState = nullptr;
    QFormLayout* m_form = nullptr;
    QLabel* m_none = nullptr;
    // What the camera holds now, by configuration name, in the order they came.
    std::map<std::string, media::ConfigWidget> m_settings;
    std::map<std::string, QComboBox*> m_lists;
};

}  // namespace avicap32
