#include "media/view/shared_decodes.h"

#include <algorithm>
#include <atomic>

#include "media/jpeg/preview.h"
#include "media/view/compositor.h"

namespace media {
namespace {

// The live picture (two, while the views are a frame apart), the onion skin's frames, and a
// frame stepped to or played in the large view.
constexpr size_t kKept = kMaxOnionFrames + 3;

bool Covers(FrameSize decoded, FrameSize want) { return decoded.width >= want.width && decoded.height >= want.height; }

}  // namespace

SharedDecodes::SharedDecodes() : m_entries(kKept) {}

void SharedDecodes::join(const void* view) {
    std::lock_guard lock(m_mutex);
    if (std::none_of(m_views.begin(), m_views.end(), [&](const View& v) { return v.view == view; }))
        m_views.push_back({view, {}});
}

void SharedDecodes::leave(const void* view) {
    std::lock_guard lock(m_mutex);
    std::erase_if(m_views, [&](const View& v) { return v.view == view; });
}

SharedDecodes::Entry* SharedDecodes::find(const std::shared_ptr<const Frame>& frame) {
    for (Entry& entry : m_entries) {
        if (!entry.frame.owner_before(frame) && !frame.owner_before(entry.frame)) return &entry;
    }
    return nullptr;
}

SharedDecodes::Entry* SharedDecodes::vacant() {
    Entry* oldest = nullptr;
    for (Entry& entry : m_entries) {
        if (entry.decoding) continue;
        if (entry.frame.expired()) return &entry;
        if (!oldest || entry.lastUse < oldest->lastUse) oldest = &entry;
    }
    return oldest;
}

Error SharedDecodes::decode(const void* view, const std::shared_ptr<const Frame>& frame, FrameSize want,
                            std::shared_ptr<const Frame>& rgb) {
    std::unique_lock lock(m_mutex);
    for (View& v : m_views) {
        if (v.view == view) v.want = want;
    }
    Entry* entry = nullptr;
    for (;;) {
        entry = find(frame);
        if (entry && !entry->decoding) {
            if (!Covers(entry->decodedFor, want)) break;
            entry->lastUse = ++m_uses;
            rgb = entry->rgb;
            return Error::none();
        }
        if (!entry) entry = vacant();
        if (entry && !entry->decoding) break;
        // Another view is decoding this frame (what it decodes may well do), or every entry is
        // taken by a decode.
        m_decoded.wait(lock);
    }
    FrameSize size = want;
    for (const View& v : m_views) size = {std::max(size.width, v.want.width), std::max(size.height, v.want.height)};

    // A buffer no view holds any more is decoded into again: no allocation per frame.
    std::shared_ptr<Frame> out = std::move(entry->rgb);
    if (out.use_count() == 1) {
        // The reads of the view that let go of it last come before the decode's writes.
        std::atomic_thread_fence(std::memory_order_acquire);
    } else {
        out = std::make_shared<Frame>();
    }
    entry->frame = frame;
    entry->decoding = true;
    lock.unlock();
    const Error error = DecodePreview(*frame, size.width, size.height, *out);
    lock.lock();
    entry->decoding = false;
    entry->decodedFor = size;
    entry->lastUse = ++m_uses;
    // A frame that cannot be decoded is not kept, only the buffer.
    if (error) entry->frame.reset();
    entry->rgb = out;
    m_decoded.notify_all();
    if (error) return error;
    rgb = std::move(out);
    return Error::none();
}

}  // namespace media
