#include "display_settings.h"

#include "animator_view.h"
#include "capture_settings.h"

#include <QTimer>

namespace avicap32 {
namespace {

const QString kNoDevice;

int IntValue(const CaptureSettings& store, const char* name, int fallback) {
    const QVariant value = store.value(kNoDevice, QString::fromLatin1(name));
    bool ok = false;
    const int number = value.toInt(&ok);
    return ok ? number : fallback;
}

bool BoolValue(const CaptureSettings& store, const char* name, bool fallback) {
    const QVariant value = store.value(kNoDevice, QString::fromLatin1(name));
    return value.isValid() ? value.toBool() : fallback;
}

}  // namespace

DisplaySettings LoadDisplaySettings(const CaptureSettings& store) {
    const DisplaySettings defaults;
    DisplaySettings settings;
    settings.onionFrames = IntValue(store, "display/onionFrames", defaults.onionFrames);
    settings.onionOpacity = IntValue(store, "display/onionOpacity", defaults.onionOpacity);
    settings.mirror = BoolValue(store, "display/mirror", defaults.mirror);
    settings.loop = BoolValue(store, "display/loop", defaults.loop);
    settings.largeView = BoolValue(store, "display/largeView", defaults.largeView);
    return settings;
}

void SaveDisplaySettings(CaptureSettings& store, const DisplaySettings& settings) {
    store.setValue(kNoDevice, QStringLiteral("display/onionFrames"), settings.onionFrames);
    store.setValue(kNoDevice, QStringLiteral("display/onionOpacity"), settings.onionOpacity);
    store.setValue(kNoDevice, QStringLiteral("display/mirror"), settings.mirror);
    store.setValue(kNoDevice, QStringLiteral("display/loop"), settings.loop);
    store.setValue(kNoDevice, QStringLiteral("display/largeView"), settings.largeView);
}

void RememberDisplaySettings(AnimatorView& view, CaptureSettings& store, QObject* context) {
    const DisplaySettings remembered = LoadDisplaySettings(store);
    DisplaySettings first = remembered;
    first.largeView = false;
    view.setSettings(first);
    view.setSettingsListener([&store](const DisplaySettings& settings) { SaveDisplaySettings(store, settings); });
    // A large view left open opens again once the program's own window is up, to stand beside it.
    if (remembered.largeView) {
        QTimer::singleShot(0, context, [&view, remembered] { view.setSettings(remembered); });
    }
}

}  // namespace avicap32
