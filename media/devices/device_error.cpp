#include "device_error.h"

#include <cerrno>
#include <cstring>

namespace media {

Error DeviceError(int err, std::string_view device, std::string_view action) {
    const std::string who = "The camera \"" + std::string(device) + "\"";
    switch (err) {
    case ENODEV:
    case ENXIO:
    case ENOENT:
        return {ErrorKind::DeviceGone, who + " is no longer available: it was unplugged or its driver was unloaded."};
    case EBUSY:
        return {ErrorKind::DeviceBusy, who + " is in use by another program. Close that program and try again."};
    case EACCES:
    case EPERM:
        return {ErrorKind::Io, who +
                                   " cannot be opened: permission denied (is the user in the "
                                   "\"video\" group?)."};
    default:
        return {ErrorKind::Io, who + ": cannot " + std::string(action) + ": " + std::strerror(err) + "."};
    }
}

}  // namespace media
