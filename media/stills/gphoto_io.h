// The few libgphoto2 calls a stills camera is driven with, behind an interface so that tests and
// the built-in test camera can stand in for a real one. One object is one connection to one
// camera; libgphoto2 is not safe on one camera from several threads, so a caller uses an object
// from one thread at a time.
#pragma once

#include <gphoto2/gphoto2-result.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace media {

// A camera as libgphoto2's detection lists it: its model name and the port it is on
// ("usb:002,014"), which tells two cameras of one model apart.
struct DetectedCamera {
    std::string model;
    std::string port;
    bool operator==(const DetectedCamera&) const = default;
};

// Where a capture left a file on the camera.
struct CameraFilePath {
    std::string folder;
    std::string name;
    bool operator==(const CameraFilePath&) const = default;
};

enum class CameraEventKind { Timeout, FileAdded, CaptureComplete, Other };

struct CameraEvent {
    CameraEventKind kind = CameraEventKind::Timeout;
    CameraFilePath file;  // FileAdded only
};

enum class WidgetKind { Text, Range, Toggle, Radio, Menu, Button, Date, Other };

// One entry of the camera's configuration tree, its value always as text: a range's number as
// written by "%g", a toggle's "0" or "1", a date's seconds since 1970.
struct ConfigWidget {
    std::string name;  // the key it is read and written by: "iso", "shutterspeed"
    std::string label;
    WidgetKind kind = WidgetKind::Text;
    std::string value;
    std::vector<std::string> choices;  // Radio and Menu
    float minimum = 0;                 // Range
    float maximum = 0;
    float step = 0;
    bool readOnly = false;
    bool operator==(const ConfigWidget&) const = default;
};

// Every call returns GP_OK or one of libgphoto2's negative GP_ERROR codes, so that a real camera
// and a scripted one fail alike.
class GphotoIo {
public:
    virtual ~GphotoIo() = default;

    // The cameras attached now; needs no open camera.
    virtual int detect(std::vector<DetectedCamera>& cameras) = 0;
    virtual int open(const DetectedCamera& camera) = 0;
    // One live-view picture as JPEG.
    virtual int capturePreview(std::vector<uint8_t>& jpeg) = 0;
    // Takes a picture; `path` is where its first file went.
    virtual int captureImage(CameraFilePath& path) = 0;
    // A file's bytes exactly as the camera holds them.
    virtual int download(const CameraFilePath& path, std::vector<uint8_t>& data) = 0;
    // Waits up to timeoutMs for the camera to report something (a second file of a RAW+JPEG
    // capture arrives this way).
    virtual int waitForEvent(int timeoutMs, CameraEvent& event) = 0;
    // The names of the single settings, for getConfig and setConfig; reading the whole tree can
    // take seconds and stall live view, one setting never does.
    virtual int listConfig(std::vector<std::string>& names) = 0;
    virtual int getConfig(const std::string& name, ConfigWidget& widget) = 0;
    virtual int setConfig(const std::string& name, const std::string& value) = 0;
    // Lets go of the camera; open() may be called again after.
    virtual void exit() = 0;
};

// Real cameras through libgphoto2.
std::unique_ptr<GphotoIo> SystemGphotoIo();

}  // namespace media
