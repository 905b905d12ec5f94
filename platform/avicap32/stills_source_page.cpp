#include "stills_source_page.h"

#include "capture_window.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <vector>

namespace avicap32 {
namespace {

QString LabelOf(const media::ConfigWidget& setting) {
    media::StillsSetting which;
    if (media::FindKnownSetting(setting.name, which)) {
        for (const media::KnownStillsSetting& known : media::KnownStillsSettings()) {
            if (known.setting == which) return QString::fromStdString(known.label) + QLatin1Char(':');
        }
    }
    return QString::fromStdString(setting.label) + QLatin1Char(':');
}

}  // namespace

StillsSettingsUndo::StillsSettingsUndo(CaptureWindow& window) : m_window(window) {
    if (const CaptureDriver* driver = window.device().driver()) m_key = driver->settingsKey;
    m_remembered = window.settings().stillsSettings(m_key);
}

void StillsSettingsUndo::changing(const std::string& name, const std::string& value) {
    for (const auto& before : m_before) {
        if (before.first == name) return;
    }
    m_before.emplace_back(name, value);
}

// The last changed first: what the exposure mode governs goes back while the mode chosen in the
// dialog still lets it, then the mode.
void StillsSettingsUndo::restore() {
    if (m_before.empty()) return;
    m_window.settings().setStillsSettings(m_key, m_remembered);
    const CaptureDriver* driver = m_window.device().driver();
    const std::shared_ptr<media::StillsCamera>& camera = m_window.device().stillsCamera();
    if (!camera || !driver || driver->settingsKey != m_key) return;
    for (auto it = m_before.rbegin(); it != m_before.rend(); ++it)
        media::RequestSettingChange(*camera, it->first, it->second);
}

StillsSourcePage::StillsSourcePage(CaptureWindow& window, std::shared_ptr<media::StillsCamera> camera, QLabel* message,
                                   StillsSettingsUndo& undo)
    : m_window(window), m_camera(std::move(camera)), m_message(message), m_undo(undo) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* lock = new QGroupBox(QStringLiteral("Between shots"));
    auto* lockLayout = new QVBoxLayout(lock);
    auto* check = new QPushButton(QStringLiteral("&Lock exposure, white balance and focus"));
    check->setObjectName(QStringLiteral("lockButton"));
    QObject::connect(check, &QPushButton::clicked, [this] { checkLock(); });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(check);
    buttons->addStretch(1);
    lockLayout->addLayout(buttons);
    m_lockState =
        new QLabel(QStringLiteral("A stills camera keeps what it is set to: the lock checks that nothing "
                                  "is left for it to choose."));
    m_lockState->setWordWrap(true);
    m_lockState->setObjectName(QStringLiteral("lockState"));
    lockLayout->addWidget(m_lockState);
    layout->addWidget(lock);

    auto* group = new QGroupBox(QStringLiteral("Camera settings"));
    m_form = new QFormLayout(group);
    m_none = new QLabel(QStringLiteral("Reading the camera's settings..."));
    m_form->addRow(m_none);
    auto* focus = new QHBoxLayout;
    auto* nearer = new QPushButton(QStringLiteral("Focus &nearer"));
    auto* farther = new QPushButton(QStringLiteral("Focus &farther"));
    QObject::connect(nearer, &QPushButton::clicked, [this] { media::RequestFocusStep(*m_camera, -1); });
    QObject::connect(farther, &QPushButton::clicked, [this] { media::RequestFocusStep(*m_camera, 1); });
    focus->addWidget(nearer);
    focus->addWidget(farther);
    focus->addStretch(1);
    m_form->addRow(focus);
    layout->addWidget(group, 1);

    m_window.setStillsSettingsListener([this](const media::StillsEvent& event) { settingEvent(event); });
    media::RequestStillsSettings(*m_camera);
}

StillsSourcePage::~StillsSourcePage() { m_window.setStillsSettingsListener(nullptr); }

void StillsSourcePage::settingEvent(const media::StillsEvent& event) {
    if (event.kind == media::StillsEventKind::SettingFailed) {
        m_message->setText(QString::fromStdString(event.error.message));
        return;
    }
    // A value the camera rounded or refused: what it holds is shown, and why.
    m_message->setText(QString::fromStdString(event.error.message));
    show(event.setting);
}

void StillsSourcePage::show(const media::ConfigWidget& setting) {
    m_settings[setting.name] = setting;
    QComboBox*& list = m_lists[setting.name];
    if (!list) {
        if (m_none) {
            m_form->removeRow(m_none);
            m_none = nullptr;
        }
        list = new QComboBox;
        list->setObjectName(QString::fromStdString(setting.name));
        auto* label = new QLabel(LabelOf(setting));
        label->setBuddy(list);
        m_form->insertRow(m_form->rowCount() - 1, label, list);
        QObject::connect(list, &QComboBox::activated, [this, name = setting.name, list](int index) {
            const std::string value = list->itemText(index).toStdString();
            m_undo.changing(name, m_settings[name].value);
            m_window.device().rememberStillsSetting(name, value);
            media::RequestSettingChange(*m_camera, name, value);
        });
    }
    const QSignalBlocker quiet(list);
    list->clear();
    std::vector<std::string> choices = setting.choices;
    if (choices.empty()) choices.push_back(setting.value);
    for (const std::string& choice : choices) list->addItem(QString::fromStdString(choice));
    list->setCurrentText(QString::fromStdString(setting.value));
    list->setEnabled(!setting.readOnly && setting.choices.size() > 1);
}

void StillsSourcePage::checkLock() {
    std::vector<media::ConfigWidget> settings;
    for (const auto& [name, setting] : m_settings) settings.push_back(setting);
    m_lockState->setText(QString::fromStdString(media::CheckStillsLock(settings).message));
}

}  // namespace avicap32
