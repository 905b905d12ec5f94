#include "display_settings.h"

#include "animator_view.h"
#include "capture_settings.h"

#include <QTimer>

namespace avicap32 {
namespace {

// Whether the large view is open belongs to the program's windows, not to a camera.
const QString kNoDevice;

int IntValue(const CaptureSettings& store, const QString& device, const char* name, int fallback) {
    const QVariant value = store.value(device, QString::fromLatin1(name));
    bool ok = false;
    const int number = value.toInt(&ok);
    return ok ? number : fallback;
}

bool BoolValue(const CaptureSettings& store, const QString& device, const char* name, bool fallback) {
    const QVariant value = store.value(device, QString::fromLatin1(name));
    return value.isValid() ? value.toBool() : fallback;
}

}  // namespace

DisplaySettings LoadDisplaySettings(const CaptureSettings& store, const QString& device) {
    const DisplaySettings defaults;
    DisplaySettings settings;
    settings.onionFrames = IntValue(store, device, "display/onionFrames", defaults.onionFrames);
    settings.onionOpacity = IntValue(store, device, "display/onionOpacity", defaults.onionOpacity);
    settings.mirror = BoolValue(store, device, "display/mirror", defaults.mirror);
    settings.loop = BoolValue(store, device, "display/loop", defaults.loop);
    settings.largeView = BoolValue(store, kNoDevice, "display/largeView", defaults.largeView);
    return settings;
}

void SaveDisplaySettings(CaptureSettings& store, const QString& device, const DisplaySettings& settings) {
    store.setValue(device, QStringLiteral("display/onionFrames"), settings.onionFrames);
    store.setValue(device, QStringLiteral("display/onionOpacity"), settings.onionOpacity);
    store.setValue(device, QStringLiteral("display/mirror"), settings.mirror);
    store.setValue(device, QStringLiteral("display/loop"), settings.loop);
    store.setValue(kNoDevice, QStringLiteral("display/largeView"), settings.largeView);
}

void RememberDisplaySettings(AnimatorView& view, CaptureSettings& store, QObject* context,
                             std::function<QString()> currentDevice) {
    const DisplaySettings remembered = LoadDisplaySettings(store, currentDevice());
    DisplaySettings first = remembered;
    first.largeView = false;
    view.setSettings(first);
    view.setSettingsListener([&store, currentDevice](const DisplaySettings& settings) {
        SaveDisplaySettings(store, currentDevice(), settings);
    });
    // A large view left open opens again once the program's own window is up, to stand beside it.
    if (remembered.largeView) {
        QTimer::singleShot(0, context, [&view] {
            DisplaySettings open = view.settings();
            open.largeView = true;
            view.setSettings(open);
        });
    }
}

}  // namespace avicap32
