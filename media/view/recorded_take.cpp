#include "media/view/recorded_take.h"

#include "media/avi/riff_builder.h"

namespace media {

Error RecordedTake::open(const std::string& path) { return m_reader.open(path); }

Error RecordedTake::readFrame(size_t index, Frame& frame) const {
    if (m_reader.headers().compression != FourCC("MJPG")) return m_reader.decodeFrame(index, frame);
    if (index >= frameCount()) return {ErrorKind::BadFrame, "No such frame"};
    frame.format = PixelFormat::Mjpeg;
    frame.width = int(m_reader.headers().width);
    frame.height = int(m_reader.headers().height);
    frame.sequence = index;
    return m_reader.readChunk(m_reader.frames()[index], frame.data);
}

}  // namespace media
