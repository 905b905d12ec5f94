#include "media/stills/camera_error.h"

#include <gphoto2/gphoto2-result.h>

#include <string>

namespace media {

Error CameraFailure(int code, std::string_view action) {
    const std::string cannot = "Cannot " + std::string(action) + ": ";
    switch (code) {
    case GP_ERROR_IO_USB_CLAIM:
    case GP_ERROR_IO_LOCK:
        // The desktop's photo-import service opens every camera plugged in, before anyone asks.
        return {ErrorKind::DeviceBusy,
                cannot +
                    "another program holds the camera, most likely the desktop's photo-import service "
                    "(gvfs-gphoto2-volume-monitor). Unmount the camera in the file manager or run "
                    "\"gio mount -s gphoto2\", then choose the camera again"};
    case GP_ERROR_IO:
    case GP_ERROR_IO_READ:
    case GP_ERROR_IO_WRITE:
    case GP_ERROR_IO_USB_FIND:
    case GP_ERROR_IO_INIT:
    case GP_ERROR_MODEL_NOT_FOUND:
    case GP_ERROR_UNKNOWN_PORT:
        return {ErrorKind::DeviceGone,
                cannot + "the camera was unplugged or switched off. Connect it and switch it on again"};
    case GP_ERROR_NO_SPACE:
        return {ErrorKind::DiskFull, cannot + "the camera's memory card is full. Make room on the card or change it"};
    case GP_ERROR_TIMEOUT:
        return {ErrorKind::Io, cannot + "the camera did not answer in time. Try again"};
    case GP_ERROR_CAMERA_BUSY:
        return {ErrorKind::Io, cannot + "the camera is busy, perhaps still focusing. Try again, or focus manually"};
    case GP_ERROR_NOT_SUPPORTED:
        return {ErrorKind::Unsupported, cannot + "this camera cannot do that"};
    default:
        return {ErrorKind::Io, cannot + gp_result_as_string(code)};
    }
}

}  // namespace media
