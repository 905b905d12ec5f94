#include "media/view/recorded_take.h"

#include "media/avi/riff_builder.h"

namespace media {

Error RecordedTake::open(const std::string& path) { return reader_.open(path); }

Error RecordedTake::readFrame(size_t index, Frame& frame) const {
    if (reader_.headers().compression != FourCC("MJPG")) return reader_.decodeFrame(index, frame);
    if (index >= frameCount()) return {ErrorKind::BadFrame, "No such frame"};
    frame.format = PixelFormat::Mjpeg;
    frame.width = int(reader_.headers().width);
    frame.height = int(reader_.headers().height);
    frame.sequence = index;
    return reader_.readChunk(reader_.frames()[index], frame.data);
}

}  // namespace media
