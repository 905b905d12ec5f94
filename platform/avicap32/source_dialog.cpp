// The Video Source dialog: the camera's settings as sliders, check boxes and lists, applied as
// they change. What it does with them is SourceSettings'.
#include "driver_dialogs.h"

#include "capture_window.h"
#include "driver_dialog.h"
#include "source_settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace avicap32 {
namespace {

// The widgets of one control; only those of its kind are set.
struct ControlRow {
    uint32_t id = 0;
    QLabel* label = nullptr;
    QSlider* slider = nullptr;
    QSpinBox* spin = nullptr;
    QCheckBox* check = nullptr;
    QComboBox* combo = nullptr;
};

class SourcePanel {
public:
    SourcePanel(SourceSettings& settings, QFormLayout* form, QLabel* message) : m_settings(settings), m_message(message) {
        for (const media::CameraControl& control : settings.controls()) addRow(control, form);
        sync();
    }

    void resetToDefaults() { show(m_settings.resetToDefaults()); }

private:
    void addRow(const media::CameraControl& control, QFormLayout* form) {
        ControlRow row;
        row.id = control.id;
        row.label = new QLabel(QString::fromStdString(control.name) + QLatin1Char(':'));
        QWidget* field = nullptr;
        switch (control.kind) {
        case media::ControlKind::Integer: {
            field = new QWidget;
            auto* line = new QHBoxLayout(field);
            line->setContentsMargins(0, 0, 0, 0);
            row.slider = new QSlider(Qt::Horizontal);
            row.slider->setRange(control.minimum, control.maximum);
            row.slider->setSingleStep(control.step);
            row.slider->setPageStep(std::max(control.step, (control.maximum - control.minimum) / 10));
            row.spin = new QSpinBox;
            row.spin->setRange(control.minimum, control.maximum);
            row.spin->setSingleStep(control.step);
            // Only a finished entry goes to the camera, not every digit typed.
            row.spin->setKeyboardTracking(false);
            line->addWidget(row.slider, 1);
            line->addWidget(row.spin);
            QObject::connect(row.slider, &QSlider::valueChanged, [this, id = control.id](int v) { change(id, v); });
            QObject::connect(row.spin, &QSpinBox::valueChanged, [this, id = control.id](int v) { change(id, v); });
            break;
        }
        case media::ControlKind::Boolean:
            field = row.check = new QCheckBox;
            QObject::connect(row.check, &QCheckBox::toggled, [this, id = control.id](bool on) { change(id, on ? 1 : 0); });
            break;
        case media::ControlKind::Menu:
        case media::ControlKind::IntegerMenu:
            field = row.combo = new QComboBox;
            for (const media::ControlItem& item : control.items) {
                row.combo->addItem(QString::fromStdString(item.label), item.index);
            }
            QObject::connect(row.combo, &QComboBox::activated, [this, combo = row.combo, id = control.id](int i) {
                change(id, combo->itemData(i).toInt());
            });
            break;
        }
        form->addRow(row.label, field);
        m_rows.push_back(row);
    }

    void change(uint32_t id, int32_t value) { show(m_settings.set(id, value)); }

    // After every change: the camera may have rounded the value, and an automatic mode switched
    // on or off changes which controls are active.
    void show(const media::Error& error) {
        m_message->setText(QString::fromStdString(error.message));
        m_gone = m_gone || error.kind == media::ErrorKind::DeviceGone;
        sync();
    }

    void sync() {
        for (const ControlRow& row : m_rows) {
            const auto& list = m_settings.controls();
            auto control = std::find_if(list.begin(), list.end(), [&](const auto& c) { return c.id == row.id; });
            const bool enabled = !m_gone && control != list.end() && !control->inactive;
            for (QWidget* w : {static_cast<QWidget*>(row.label), static_cast<QWidget*>(row.slider),
                               static_cast<QWidget*>(row.spin), static_cast<QWidget*>(row.check),
                               static_cast<QWidget*>(row.combo)}) {
                if (w) w->setEnabled(enabled);
            }
            if (control == list.end()) continue;
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
    std::vector<ControlRow> m_rows;
    bool m_gone = false;
};

QLabel* MessageLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setWordWrap(true);
    return label;
}

}  // namespace

// OK keeps what the user set, Cancel puts back what was there before.
BOOL ShowVideoSourceDialog(CaptureWindow& window) {
    media::Error error;
    std::unique_ptr<media::CameraControls> controls = window.openControls(error);
    if (!controls) {
        DriverDialog dialog(window, QStringLiteral("Video Source"), QDialogButtonBox::Ok);
        QLabel* message = MessageLabel(&dialog);
        message->setText(error ? QString::fromStdString(error.message)
                               : QStringLiteral("The test scene has no settings to change."));
        dialog.content()->addWidget(message);
        dialog.run();
        return TRUE;
    }

    SourceSettings settings(std::move(controls), window.rememberedControls());
    DriverDialog dialog(window, QStringLiteral("Video Source"),
                        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::RestoreDefaults);
    auto* form = new QFormLayout;
    if (settings.controls().empty()) {
        form->addRow(new QLabel(QStringLiteral("The camera has no settings to change."), &dialog));
    }
    auto* area = new QScrollArea(&dialog);
    auto* inner = new QWidget;
    inner->setLayout(form);
    area->setWidget(inner);
    area->setWidgetResizable(true);
    area->setMinimumWidth(460);
    dialog.content()->addWidget(area);
    QLabel* message = MessageLabel(&dialog);
    dialog.content()->addWidget(message);

    SourcePanel panel(settings, form, message);
    QPushButton* defaults = dialog.buttons()->button(QDialogButtonBox::RestoreDefaults);
    defaults->setText(QStringLiteral("&Defaults"));
    QObject::connect(defaults, &QPushButton::clicked, [&panel] { panel.resetToDefaults(); });
    if (!dialog.run()) settings.restore();
    return TRUE;
}

}  // namespace avicap32
