#include "stream_text.h"

namespace avicap32 {

QString PixelFormatName(media::PixelFormat format) {
    switch (format) {
    case media::PixelFormat::Mjpeg:
        return QStringLiteral("Motion JPEG");
    case media::PixelFormat::Yuyv:
        return QStringLiteral("YUYV 4:2:2");
    case media::PixelFormat::Rgb24:
        return QStringLiteral("RGB 24-bit");
    }
    return QString();
}

QString SizeText(media::FrameSize size) { return QStringLiteral("%1 x %2").arg(size.width).arg(size.height); }

QString FrameRateText(const media::StreamFormat& format) {
    if (format.frameIntervalNumerator == 0) return QStringLiteral("unknown");
    double rate = double(format.frameIntervalDenominator) / format.frameIntervalNumerator;
    return QStringLiteral("%1 frames per second").arg(rate, 0, 'g', 4);
}

}  // namespace avicap32
