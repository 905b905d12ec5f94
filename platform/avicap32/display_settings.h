// How the animator's views show the picture: what the Video Display dialog and the large view's
// own controls set, and what the capture window remembers of them.
#pragma once

#include <functional>
#include <string>

class QObject;

namespace avicap32 {

class AnimatorView;
class CaptureSettings;

struct DisplaySettings {
    int onionFrames = 0;     // 0: off; else the last 1 to 5 recorded frames over the picture
    int onionOpacity = 40;   // percent, of the onion skin as a whole
    bool mirror = false;     // the views only: recordings keep the camera's picture
    bool loop = false;       // playing the take starts again at its end
    bool largeView = false;  // the large view is open
    bool operator==(const DisplaySettings&) const = default;
};

// Gives `view` the remembered settings and remembers every change from now on under the device
// connected at the time; a large view that was open opens again once `context`'s event loop runs.
void RememberDisplaySettings(AnimatorView& view, CaptureSettings& store, QObject* context,
                             std::function<std::string()> currentDevice);

}  // namespace avicap32
