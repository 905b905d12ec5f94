// The views' settings kept in the capture window's store, under the device connected at the
// time of each change.
#pragma once

#include <functional>
#include <string>

class QObject;

namespace avicap32 {

class AnimatorView;
class CaptureSettings;

// Gives `view` the remembered settings and remembers every change from now on under the device
// connected at the time; a large view that was open opens again once `context`'s event loop runs.
void RememberDisplaySettings(AnimatorView& view, CaptureSettings& store, QObject* context,
                             std::function<std::string()> currentDevice);

}  // namespace avicap32
