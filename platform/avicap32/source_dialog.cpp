// The Video Source dialog: which device the capture window shows, chosen from a list that is
// read afresh each time the dialog opens, and the device's settings as sliders, check boxes
// and lists, applied as they change. A lock holds exposure, white balance and focus still
// between shots. What it does with the settings is SourceSettings'.
#include "video_dialogs.h"

#include "capture_window.h"
#include "driver_dialog.h"
#include "source_settings.h"
#include "stills_source_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include <linux/videodev2.h>

#include <algorithm>
#include <optional>
#include <vector>

namespace avicap32 {
namespace {

const QString kLockedText =
    QStringLiteral("Locked: exposure, white balance and focus stay as they are from shot to shot.");
const QString kAutomaticText =
    QStringLiteral("The device adjusts exposure, white balance and focus by itself, which makes shots flicker.");
const QString kNoAutomaticText =
    QStringLiteral("This device has no automatic exposure, white balance or focus to lock.");

// The widgets of one control; only those of its kind are set.
struct ControlRow {
    uint32_t id = 0;
    QLabel* label = nullptr;
    QSlider* slider = nullptr;
    QSpinBox* spin = nullptr;
    QCheckBox* check = nullptr;
    QComboBox* combo = nullptr;
};

QLabel* MessageLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setWordWrap(true);
    label->setObjectName(QStringLiteral("message"));
    return label;
}

// One device's settings: the lock with the mains frequency next to it, then every other
// setting the device has.
class SourcePage : public QWidget {
public:
    SourcePage(SourceSettings& settings, QLabel* message) : m_settings(settings), m_message(message) {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(lockGroup());

        auto* form = new QFormLayout;
        for (const media::CameraControl& control : settings.controls()) {
            // The lock stands for the 3A lock; the mains frequency sits beside the lock.
            if (control.kind == media::ControlKind::Bitmask || control.id == V4L2_CID_POWER_LINE_FREQUENCY) continue;
            const ControlRow row = addRow(control);
            form->addRow(row.label, fieldOf(row));
        }
        if (form->rowCount() == 0) form->addRow(new QLabel(QStringLiteral("The device has no other settings.")));
        auto* group = new QGroupBox(QStringLiteral("Settings"));
        auto* area = new QScrollArea;
        area->setFrameShape(QFrame::NoFrame);
        auto* inner = new QWidget;
        inner->setLayout(form);
        area->setWidget(inner);
        area->setWidgetResizable(true);
        // The page's own background shows through: the rows read as part of the group.
        area->viewport()->setAutoFillBackground(false);
        inner->setAutoFillBackground(false);
        area->setMinimumHeight(std::min(inner->sizeHint().height() + 2 * area->frameWidth(), 360));
        (new QVBoxLayout(group))->addWidget(area);
        layout->addWidget(group, 1);
        sync();
    }

    void resetToDefaults() { show(m_settings.resetToDefaults()); }

private:
    QGroupBox* lockGroup() {
        auto* group = new QGroupBox(QStringLiteral("Between shots"));
        auto* layout = new QVBoxLayout(group);
        auto* buttons = new QHBoxLayout;
        m_lock = new QPushButton(QStringLiteral("&Lock exposure, white balance and focus"));
        m_lock->setObjectName(QStringLiteral("lockButton"));
        m_automatic = new QPushButton(QStringLiteral("Let them adjust &automatically"));
        m_automatic->setObjectName(QStringLiteral("automaticButton"));
        QObject::connect(m_lock, &QPushButton::clicked, [this] { show(m_settings.lock()); });
        QObject::connect(m_automatic, &QPushButton::clicked, [this] { show(m_settings.unlock()); });
        buttons->addWidget(m_lock);
        buttons->addWidget(m_automatic);
        buttons->addStretch(1);
        layout->addLayout(buttons);
        m_lockState = new QLabel;
        m_lockState->setWordWrap(true);
        m_lockState->setObjectName(QStringLiteral("lockState"));
        layout->addWidget(m_lockState);
        if (const media::CameraControl* mains = m_settings.find(V4L2_CID_POWER_LINE_FREQUENCY)) {
            auto* line = new QFormLayout;
            const ControlRow row = addRow(*mains);
            row.combo->setObjectName(QStringLiteral("powerLineFrequency"));
            row.label->setText(QStringLiteral("Power line &frequency (against flicker under mains light):"));
            row.label->setBuddy(row.combo);
            line->addRow(row.label, row.combo);
            layout->addLayout(line);
        }
        return group;
    }

    static QWidget* fieldOf(const ControlRow& row) {
        if (row.slider) return row.slider->parentWidget();
        if (row.check) return row.check;
        return row.combo;
    }

    ControlRow addRow(const media::CameraControl& control) {
        ControlRow row;
        row.id = control.id;
        row.label = new QLabel(QString::fromStdString(control.name) + QLatin1Char(':'));
        switch (control.kind) {
        case media::ControlKind::Integer: {
            auto* field = new QWidget;
            auto* line = new QHBoxLayout(field);
            line->setContentsMargins(0, 0, 0, 0);
            row.slider = new QSlider(Qt::Horizontal);
            row.slider->setRange(control.minimum, control.maximum);
            row.slider->setSingleStep(control.step);
            row.slider->setPageStep(std::max(control.step, (control.maximum - control.minimum) / 10));
            row.spin = new QSpinBox;
            row.spin->setRange(control.minimum, control.maximum);
            row.spin->setSingleStep(control.step);
            // Only a finished entry goes to the device, not every digit typed.
            row.spin->setKeyboardTracking(false);
            line->addWidget(row.slider, 1);
            line->addWidget(row.spin);
            QObject::connect(row.slider, &QSlider::valueChanged, [this, id = control.id](int v) { change(id, v); });
            QObject::connect(row.spin, &QSpinBox::valueChanged, [this, id = control.id](int v) { change(id, v); });
            break;
        }
        case media::ControlKind::Boolean:
            row.check = new QCheckBox;
            QObject::connect(row.check, &QCheckBox::toggled,
                             [this, id = control.id](bool on) { change(id, on ? 1 : 0); });
            break;
        case media::ControlKind::Menu:
        case media::ControlKind::IntegerMenu:
        case media::ControlKind::Bitmask:
            row.combo = new QComboBox;
            for (const media::ControlItem& item : control.items) {
                row.combo->addItem(QString::fromStdString(item.label), item.index);
            }
            QObject::connect(row.combo, &QComboBox::activated, [this, combo = row.combo, id = control.id](int i) {
                change(id, combo->itemData(i).toInt());
            });
            break;
        }
        row.label->setBuddy(fieldOf(row));
        m_rows.push_back(row);
        return row;
    }

    void change(uint32_t id, int32_t value) { show(m_settings.set(id, value)); }

    // After every change: the device may have rounded the value, and an automatic mode switched
    // on or off changes which controls are active.
    void show(const media::Error& error) {
        m_message->setText(QString::fromStdString(error.message));
        m_gone = m_gone || error.kind == media::ErrorKind::DeviceGone;
        sync();
    }

    void sync() {
        const bool lockable = !m_gone && m_settings.hasAutomaticModes();
        const bool locked = lockable && m_settings.locked();
        m_lock->setEnabled(lockable && !locked);
        m_automatic->setEnabled(lockable && locked);
        m_lockState->setText(!m_settings.hasAutomaticModes() ? kNoAutomaticText
                             : locked                        ? kLockedText
                                                             : kAutomaticText);
        for (const ControlRow& row : m_rows) {
            const media::CameraControl* control = m_settings.find(row.id);
            const bool enabled = !m_gone && control && !control->inactive;
            for (QWidget* w :
                 {static_cast<QWidget*>(row.label), static_cast<QWidget*>(row.slider), static_cast<QWidget*>(row.spin),
                  static_cast<QWidget*>(row.check), static_cast<QWidget*>(row.combo)}) {
                if (w) w->setEnabled(enabled);
            }
            if (!control) continue;
            const int value = control->value;
            if (row.slider) {
                QSignalBlocker blockSlider(row.slider), blockSpin(row.spin);
                row.slider->setValue(value);
                row.spin->setValue(value);
            }
            if (row.check) {
                QSignalBlocker block(row.check);
                row.check->setChecked(value != 0);
            }
            if (row.combo) {
                QSignalBlocker block(row.combo);
                row.combo->setCurrentIndex(row.combo->findData(value));
            }
        }
    }

    SourceSettings& m_settings;
    QLabel* m_message;
    QPushButton* m_lock = nullptr;
    QPushButton* m_automatic = nullptr;
    QLabel* m_lockState = nullptr;
    std::vector<ControlRow> m_rows;
    bool m_gone = false;
};

// The dialog's state across device switches: each device's settings as they were when it was
// first shown, for Cancel.
class SourceDialog {
public:
    explicit SourceDialog(CaptureWindow& window)
        : m_window(window),
          m_dialog(window, QStringLiteral("Video Source"),
                   QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::RestoreDefaults),
          m_drivers(ListSelectableDrivers()) {
        if (const CaptureDriver* driver = window.device().driver()) m_original = *driver;
        auto* form = new QFormLayout;
        m_list = new QComboBox(&m_dialog);
        m_list->setObjectName(QStringLiteral("deviceList"));
        m_list->setPlaceholderText(QStringLiteral("Choose a device"));
        m_list->setMinimumContentsLength(32);
        for (const CaptureDriver& driver : m_drivers) m_list->addItem(QString::fromStdString(driver.name));
        auto* label = new QLabel(QStringLiteral("&Device:"), &m_dialog);
        label->setBuddy(m_list);
        form->addRow(label, m_list);
        m_dialog.content()->addLayout(form);
        m_pageHolder = new QVBoxLayout;
        m_dialog.content()->addLayout(m_pageHolder, 1);
        m_message = MessageLabel(&m_dialog);
        m_dialog.content()->addWidget(m_message);

        m_defaults = m_dialog.buttons()->button(QDialogButtonBox::RestoreDefaults);
        m_defaults->setText(QStringLiteral("De&faults"));
        QObject::connect(m_defaults, &QPushButton::clicked, [this] {
            if (m_sourcePage) m_sourcePage->resetToDefaults();
        });
        QObject::connect(m_list, &QComboBox::activated, [this](int index) { choose(index); });
        showConnected();
        m_list->setFocus();
    }

    void run() {
        if (!m_dialog.run()) cancel();
    }

private:
    int connectedIndex() const {
        const CaptureDriver* driver = m_window.device().driver();
        if (!driver) return -1;
        for (size_t i = 0; i < m_drivers.size(); ++i) {
            if (SameDevice(m_drivers[i], *driver)) return static_cast<int>(i);
        }
        return -1;
    }

    // The list and the page follow the device the window has now.
    void showConnected() {
        m_list->setCurrentIndex(connectedIndex());
        delete m_page;
        m_page = m_sourcePage = nullptr;
        QLabel* note = nullptr;
        media::Error error;
        std::unique_ptr<SourceSettings> settings = m_window.device().openSourceSettings(error);
        if (!m_window.connected()) {
            note = new QLabel(QStringLiteral("No capture device is connected. Choose one from the list above."));
        } else if (const std::shared_ptr<media::StillsCamera>& camera = m_window.device().stillsCamera()) {
            m_stillsVisited.push_back(std::make_unique<StillsSettingsUndo>(m_window));
            m_page = new StillsSourcePage(m_window, camera, m_message, *m_stillsVisited.back());
            m_pageHolder->addWidget(m_page, 1);
        } else if (!settings) {
            note = new QLabel(error ? QString::fromStdString(error.message)
                                    : QStringLiteral("The device has no settings to change."));
        } else {
            m_visited.push_back(std::move(settings));
            m_page = m_sourcePage = new SourcePage(*m_visited.back(), m_message);
            m_pageHolder->addWidget(m_page, 1);
        }
        if (note) {
            note->setWordWrap(true);
            m_page = new QWidget;
            (new QVBoxLayout(m_page))->addWidget(note);
            m_pageHolder->addWidget(m_page, 1);
        }
        m_defaults->setEnabled(m_sourcePage != nullptr);
        m_dialog.adjustSize();
    }

    void choose(int index) {
        if (index < 0 || index == connectedIndex()) return;
        media::Error error = m_window.device().switchTo(m_drivers[size_t(index)]);
        m_message->setText(QString::fromStdString(error.message));
        showConnected();
    }

    // Every device's settings back as they were, the last shown first, then the device the
    // window had. A stills camera's come back once it is connected again: they are written to the
    // camera that is connected then.
    void cancel() {
        for (auto it = m_visited.rbegin(); it != m_visited.rend(); ++it) (*it)->restore();
        const CaptureDriver* now = m_window.device().driver();
        const bool switched = m_original ? !now || !SameDevice(*now, *m_original) : now != nullptr;
        if (switched && m_original) {
            m_window.device().switchTo(*m_original);
        } else if (switched) {
            m_window.classProc(WM_CAP_DRIVER_DISCONNECT, 0, 0);
        }
        for (auto it = m_stillsVisited.rbegin(); it != m_stillsVisited.rend(); ++it) (*it)->restore();
    }

    CaptureWindow& m_window;
    DriverDialog m_dialog;
    const std::vector<CaptureDriver> m_drivers;
    std::optional<CaptureDriver> m_original;
    std::vector<std::unique_ptr<SourceSettings>> m_visited;
    std::vector<std::unique_ptr<StillsSettingsUndo>> m_stillsVisited;
    QComboBox* m_list = nullptr;
    QVBoxLayout* m_pageHolder = nullptr;
    QWidget* m_page = nullptr;
    SourcePage* m_sourcePage = nullptr;  // m_page when it shows settings
    QLabel* m_message = nullptr;
    QPushButton* m_defaults = nullptr;
};

}  // namespace

// OK keeps what the user set, Cancel puts back what was there before, device included.
BOOL ShowVideoSourceDialog(CaptureWindow& window) {
    SourceDialog dialog(window);
    dialog.run();
    return TRUE;
}

}  // namespace avicap32
