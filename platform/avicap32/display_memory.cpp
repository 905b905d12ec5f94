#include "display_memory.h"
#include "animator_view_private.h"
#include "capture_settings.h"

#include <QTimer>

namespace avicap32 {
void RememberDisplaySettings(AnimatorView& view, CaptureSettings& store, QObject* context,
                             std::function<std::string()> currentDevice) {
    const DisplaySettings remembered = store.display(currentDevice());
    DisplaySettings first = remembered;
    first.largeView = false;
    view.setSettings(first);
    view.setSettingsListener(
        [&store, currentDevice](const DisplaySettings& settings) { store.setDisplay(currentDevice(), settings); });
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
