// The stills cameras for the device list: found by libgphoto2's detection, named by model (with
// the port when two of one model are attached), remembered by serial number, and "test-stills",
// the built-in one. Cameras plugged in or out are found by detecting again when a
// DeviceMonitor(WatchedDevices::UsbDevices) reports a USB device, and comparing (CompareDetections).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "media/stills/gphoto_io.h"
#include "media/stills/stills_camera.h"

namespace media {

// The name that selects the built-in test stills camera.
inline constexpr std::string_view kSceneCameraName = "test-stills";

struct StillsCameraEntry {
    DetectedCamera camera;
    std::string label;  // the model, with " (port)" added when another listed camera has the same model
    bool operator==(const StillsCameraEntry&) const = default;
};

// The cameras attached now, in detection order; Error when detection itself failed.
Error ListStillsCameras(GphotoIo& io, std::vector<StillsCameraEntry>& cameras);

// What a stills camera's settings are kept under: its model and serial number when it tells one
// (the same camera on any port, a USB camera's changing with every plug), else its model and port.
std::string StillsSettingsKey(const DetectedCamera& camera, const std::string& serial);
// Whether `camera`, not yet open, may be the one `key` names: a serial number is told only once a
// camera is open, so any camera of the model may be it.
bool MayBeStillsCamera(const std::string& key, const DetectedCamera& camera);

// What changed between two detections: cameras plugged in and cameras gone.
struct StillsCameraChanges {
    std::vector<DetectedCamera> added;
    std::vector<DetectedCamera> removed;
};
StillsCameraChanges CompareDetections(const std::vector<StillsCameraEntry>& before,
                                      const std::vector<StillsCameraEntry>& after);

// The built-in test stills camera, ready to open.
std::shared_ptr<StillsCamera> MakeSceneCamera();

}  // namespace media
