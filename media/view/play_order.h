// Which frame of a take a view shows at each tick while playing it: every frame for one frame
// interval, the last one too, then the end, or the first frame again when looping. A tick while
// the frame asked for is still being drawn asks for nothing: a loaded machine slows the take down,
// it never skips a frame.
#pragma once

#include <cstddef>

namespace media {

class PlayOrder {
public:
    PlayOrder(size_t frameCount, bool loop) : m_count(frameCount), m_loop(loop) {}
    void setLoop(bool loop) { m_loop = loop; }
    size_t frameCount() const { return m_count; }

    struct Tick {
        long frame = -1;     // the frame to draw now, or -1 for none
        bool ended = false;  // the take has been shown: back to the live picture
    };
    // `drawing`: the frame asked for last has not been drawn yet.
    Tick tick(bool drawing);

private:
    size_t m_count;
    bool m_loop;
    size_t m_next = 0;
};

}  // namespace media
