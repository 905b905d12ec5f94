// How the animator's views show the picture: what the Video Display dialog and the large view's
// own controls set, and what the capture window remembers of them.
#pragma once

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

// In the capture window's store, for every device alike: the animator's view stays as it is
// when another camera is chosen.
DisplaySettings LoadDisplaySettings(const CaptureSettings& store);
void SaveDisplaySettings(CaptureSettings& store, const DisplaySettings& settings);
// Gives `view` the remembered settings and remembers every change from now on; a large view
// that was open opens again once `context`'s event loop runs.
void RememberDisplaySettings(AnimatorView& view, CaptureSettings& store, QObject* context);

}  // namespace avicap32
