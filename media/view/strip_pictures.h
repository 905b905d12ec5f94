// The small pictures of a take's frames shown in the strip, decoded on a worker thread so that
// the GUI never waits for one. Pictures are kept by frame identity (TakeEditor::frameId), which
// survives edits: after a delete or an insert only the new shot is decoded.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <thread>
#include <unordered_map>
#include <vector>

#include "media/avi/avi_layout.h"
#include "media/common/frame.h"

namespace media {

// A frame as the take stores it (a JPEG, or bottom-up 24-bit BGR rows of `frame`'s size) as
// Rgb24 no smaller than `want` unless the frame is: JPEGs at the smallest of the decoder's
// reduced scales that covers it (1/8 of 1080p is 240x135), rows subsampled by a whole factor.
Error DecodeStripPicture(std::span<const uint8_t> stored, AviVideoCodec codec, FrameSize frame, FrameSize want,
                         Frame& picture);

class StripPictures {
public:
    // Pictures of frames of size `frame` stored with `codec`, for a strip showing them at about
    // `want`; at most `capacity` are kept, the least recently asked for going first.
    StripPictures(AviVideoCodec codec, FrameSize frame, FrameSize want, size_t capacity = 1000);
    // Waits only for the picture being decoded.
    ~StripPictures();
    StripPictures(const StripPictures&) = delete;
    StripPictures& operator=(const StripPictures&) = delete;

    // The picture of frame `id`, or nothing yet (nor ever, for a frame that cannot be decoded):
    // then `stored` gives the frame's bytes to queue for decoding, unless it already is queued.
    // Newest requests are decoded first, being what the strip shows now. Never blocks on a
    // decode.
    std::shared_ptr<const Frame> picture(uint64_t id, const std::function<std::vector<uint8_t>()>& stored);
    // Drops the requests not yet decoded: the strip has moved on.
    void cancelPending();
    // Called on the worker thread after each picture is ready (or failed); a view posts itself a
    // repaint from it.
    void setReady(std::function<void(uint64_t id)> ready);

private:
    struct Request {
        uint64_t id;
        std::vector<uint8_t> stored;
    };
    void work();
    void keep(uint64_t id, std::shared_ptr<const Frame> picture);

    const AviVideoCodec m_codec;
    const FrameSize m_frame;
    const FrameSize m_want;
    const size_t m_capacity;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Request> m_queue;         // newest first
    std::optional<uint64_t> m_decoding;  // taken off the queue, not yet kept
    std::list<uint64_t> m_recent;        // most recently asked for first
    struct Kept {
        std::shared_ptr<const Frame> picture;  // empty for a frame that could not be decoded
        std::list<uint64_t>::iterator recent;
    };
    std::unordered_map<uint64_t, Kept> m_kept;
    std::function<void(uint64_t)> m_ready;
    bool m_stopping = false;
    std::thread m_worker;  // last: started once everything else is ready
};

}  // namespace media
