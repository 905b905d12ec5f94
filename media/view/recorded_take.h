// A recording read back from its file for playing it in a view: the frames it held when opened,
// also while the recording goes on (the file is complete after every frame).
#pragma once

#include <cstdint>
#include <string>

#include "media/avi/avi_reader.h"

namespace media {

class RecordedTake {
public:
    Error open(const std::string& path);
    size_t frameCount() const { return m_reader.frames().size(); }
    // Frame `index` ready for a view: MJPEG as stored (a view decodes it at its own scale),
    // uncompressed frames as Rgb24.
    Error readFrame(size_t index, Frame& frame) const;

private:
    AviReader m_reader;
};

}  // namespace media
