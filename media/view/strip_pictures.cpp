#include "media/view/strip_pictures.h"

#include <algorithm>

#include "media/jpeg/jpeg_decoder.h"
#include "media/jpeg/pixel_convert.h"

namespace media {

Error DecodeStripPicture(std::span<const uint8_t> stored, AviVideoCodec codec, FrameSize frame, FrameSize want,
                         Frame& picture) {
    if (codec == AviVideoCodec::Mjpeg) return DecodeJpegToRgb(stored, picture, want.width, want.height);
    const size_t stride = DibRowStride(frame.width);
    if (frame.width <= 0 || frame.height <= 0 || stored.size() < stride * size_t(frame.height)) {
        return {ErrorKind::BadFrame, "A stored frame is shorter than its picture"};
    }
    const int factor =
        std::max(1, std::min(frame.width / std::max(want.width, 1), frame.height / std::max(want.height, 1)));
    picture.format = PixelFormat::Rgb24;
    picture.width = frame.width / factor;
    picture.height = frame.height / factor;
    picture.data.resize(size_t(picture.width) * size_t(picture.height) * 3);
    uint8_t* out = picture.data.data();
    for (int y = 0; y < picture.height; ++y) {
        // Bottom-up rows: the picture's top row is the last stored.
        const uint8_t* row = stored.data() + size_t(frame.height - 1 - y * factor) * stride;
        for (int x = 0; x < picture.width; ++x, out += 3) {
            const uint8_t* bgr = row + size_t(x) * size_t(factor) * 3;
            out[0] = bgr[2];
            out[1] = bgr[1];
            out[2] = bgr[0];
        }
    }
    return Error::none();
}

StripPictures::StripPictures(AviVideoCodec codec, FrameSize frame, FrameSize want, size_t capacity)
    : m_codec(codec), m_frame(frame), m_want(want), m_capacity(std::max<size_t>(capacity, 1)), m_worker([this] {
          work();
      }) {}

StripPictures::~StripPictures() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_queue.clear();
    }
    m_wake.notify_all();
    m_worker.join();
}

void StripPictures::setReady(std::function<void(uint64_t id)> ready) {
    std::lock_guard lock(m_mutex);
    m_ready = std::move(ready);
}

std::shared_ptr<const Frame> StripPictures::picture(uint64_t id, const std::function<std::vector<uint8_t>()>& stored) {
    std::lock_guard lock(m_mutex);
    if (auto kept = m_kept.find(id); kept != m_kept.end()) {
        m_recent.splice(m_recent.begin(), m_recent, kept->second.recent);
        return kept->second.picture;
    }
    if (m_decoding == id) return nullptr;
    auto queued = std::find_if(m_queue.begin(), m_queue.end(), [id](const Request& r) { return r.id == id; });
    if (queued != m_queue.end()) {
        Request r = std::move(*queued);
        m_queue.erase(queued);
        m_queue.push_front(std::move(r));
    } else {
        m_queue.push_front({id, stored()});
        m_wake.notify_one();
    }
    return nullptr;
}

void StripPictures::cancelPending() {
    std::lock_guard lock(m_mutex);
    m_queue.clear();
}

void StripPictures::keep(uint64_t id, std::shared_ptr<const Frame> picture) {
    m_recent.push_front(id);
    m_kept[id] = {std::move(picture), m_recent.begin()};
    while (m_kept.size() > m_capacity) {
        m_kept.erase(m_recent.back());
        m_recent.pop_back();
    }
}

void StripPictures::work() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
        if (m_stopping) return;
        Request request = std::move(m_queue.front());
        m_queue.pop_front();
        m_decoding = request.id;
        lock.unlock();
        auto picture = std::make_shared<Frame>();
        // A frame that cannot be decoded is remembered as such rather than tried again and again.
        const bool ok = !DecodeStripPicture(request.stored, m_codec, m_frame, m_want, *picture);
        lock.lock();
        keep(request.id, ok ? std::shared_ptr<const Frame>(std::move(picture)) : nullptr);
        m_decoding.reset();
        // Told unlocked: a view may well ask for the picture at once.
        const std::function<void(uint64_t)> ready = m_ready;
        lock.unlock();
        if (ready) ready(request.id);
        lock.lock();
    }
}

}  // namespace media
