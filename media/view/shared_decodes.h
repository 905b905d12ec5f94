// The decoded pictures of the frames that several views show at once (the capture window's
// preview and the large view), so that each frame is decoded once for all of them: at the largest
// size any of them wants, each view scaling its own picture from that. Keeps the last few frames
// asked for, the live picture's and the onion skin's, and their buffers for the frames after them.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "media/common/frame.h"

namespace media {

class SharedDecodes {
public:
    SharedDecodes();

    // While a view has joined, the size it last asked for is one every decode covers: the view
    // that asks first for a frame decodes it for all. A hidden view leaves, so that its size no
    // longer costs the others. `view` is any address that stands for the view while it lives.
    void join(const void* view);
    void leave(const void* view);

    // Any thread: `frame` as Rgb24, at least `want` (unless the frame is smaller), for `view`
    // (one that has not joined is served all the same). A frame is known by its owner, so a new
    // frame at a freed one's address is not taken for it. Decoded again, bigger, only when a view
    // wants more than the decode kept has.
    Error decode(const void* view, const std::shared_ptr<const Frame>& frame, FrameSize want,
                 std::shared_ptr<const Frame>& rgb);

private:
    struct Entry {
        std::weak_ptr<const Frame> frame;
        std::shared_ptr<Frame> rgb;  // null while being decoded
        FrameSize decodedFor;
        bool decoding = false;
        uint64_t lastUse = 0;
    };
    struct View {
        const void* view = nullptr;
        FrameSize want;
    };
    Entry* find(const std::shared_ptr<const Frame>& frame);
    // The entry a new frame takes: one whose frame is gone, else the one asked for longest ago.
    Entry* vacant();

    std::mutex m_mutex;  // guards everything below
    std::condition_variable m_decoded;
    std::vector<Entry> m_entries;  // never resized: a decoding thread keeps its entry's address
    std::vector<View> m_views;
    uint64_t m_uses = 0;
};

}  // namespace media
