// What the large view may do to the open take, done by whoever records it: the views show and
// ask, the recorder owns the file and the program's answers.
#pragma once

#include "media/avi/avi_layout.h"
#include "media/common/frame.h"

#include <QString>

#include <cstddef>
#include <optional>
#include <vector>

namespace avicap32 {

class TakeControl {
public:
    virtual ~TakeControl() = default;

    // A recording is open: the editing keys act on it.
    virtual bool takeOpen() const = 0;
    virtual size_t frameCount() const = 0;
    // For the strip's pictures: how the frames are stored, a frame's identity through every
    // edit, and its stored bytes.
    virtual media::AviVideoCodec codec() const = 0;
    virtual media::FrameSize frameSize() const = 0;
    virtual uint64_t frameId(size_t index) const = 0;
    virtual std::vector<uint8_t> storedFrame(size_t index) const = 0;
    // Where the next shot goes: before this frame, or none for the end.
    virtual std::optional<size_t> insertionPoint() const = 0;
    virtual void setInsertionPoint(std::optional<size_t> at) = 0;

    // Each returns an empty text when done, else why not, for the large view to say.
    // A shot, exactly as the program's own capture button takes one.
    virtual QString shoot() = 0;
    virtual QString deleteFrame(size_t index) = 0;
    // Brings the newest deletion back; `restoredAt` is where it went.
    virtual QString undoDelete(size_t& restoredAt) = 0;
};

}  // namespace avicap32
