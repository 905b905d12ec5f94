#include "media/stills/stills_detection.h"

#include <algorithm>

#include "media/stills/camera_error.h"
#include "media/stills/scene_camera_io.h"

namespace media {
namespace {

bool Holds(const std::vector<StillsCameraEntry>& entries, const DetectedCamera& camera) {
    return std::any_of(entries.begin(), entries.end(), [&](const StillsCameraEntry& e) { return e.camera == camera; });
}

}  // namespace

Error ListStillsCameras(GphotoIo& io, std::vector<StillsCameraEntry>& cameras) {
    cameras.clear();
    std::vector<DetectedCamera> found;
    if (const int r = io.detect(found); r < GP_OK) return CameraFailure(r, "look for cameras");
    for (const DetectedCamera& camera : found) {
        // Some drivers list one camera twice on one port (as PTP and as a generic device).
        if (std::any_of(cameras.begin(), cameras.end(),
                        [&](const StillsCameraEntry& e) { return e.camera == camera; })) {
            continue;
        }
        cameras.push_back({camera, camera.model});
    }
    for (StillsCameraEntry& entry : cameras) {
        const auto twins = std::count_if(cameras.begin(), cameras.end(), [&](const StillsCameraEntry& other) {
            return other.camera.model == entry.camera.model;
        });
        if (twins > 1) entry.label = entry.camera.model + " (" + entry.camera.port + ")";
    }
    return Error::none();
}

std::string StillsSettingsKey(const DetectedCamera& camera, const std::string& serial) {
    if (!serial.empty()) return "gphoto2:" + camera.model + "#" + serial;
    return "gphoto2:" + camera.model + "@" + camera.port;
}

bool MayBeStillsCamera(const std::string& key, const DetectedCamera& camera) {
    return key == StillsSettingsKey(camera, std::string()) || key.starts_with("gphoto2:" + camera.model + "#");
}

StillsCameraChanges CompareDetections(const std::vector<StillsCameraEntry>& before,
                                      const std::vector<StillsCameraEntry>& after) {
    StillsCameraChanges changes;
    for (const StillsCameraEntry& e : after) {
        if (!Holds(before, e.camera)) changes.added.push_back(e.camera);
    }
    for (const StillsCameraEntry& e : before) {
        if (!Holds(after, e.camera)) changes.removed.push_back(e.camera);
    }
    return changes;
}

std::shared_ptr<StillsCamera> MakeSceneCamera() {
    return std::make_shared<StillsCamera>(
        std::make_unique<SceneCameraIo>(),
        DetectedCamera{std::string(kSceneCameraModel), std::string(kSceneCameraPort)});
}

}  // namespace media
