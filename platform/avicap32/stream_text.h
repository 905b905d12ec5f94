// How the driver dialogs name a stream's format, size and frame rate.
#pragma once

#include "media/common/frame.h"

#include <QString>

namespace avicap32 {

QString PixelFormatName(media::PixelFormat format);
QString SizeText(media::FrameSize size);
QString FrameRateText(const media::StreamFormat& format);

}  // namespace avicap32
