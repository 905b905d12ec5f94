#include "live_source.h"

#include <atomic>
#include <utility>

namespace media {

LiveSource::~LiveSource() { stop(); }

Error LiveSource::start(std::unique_ptr<FrameSource> source)
{
    std::lock_guard control(controlMutex_);
    if (thread_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    if (Error e = source->start())
        return e;
    {
        std::lock_guard lock(mutex_);
        newest_.reset();
        frameCount_ = 0;
        failure_ = Error::none();
        streaming_ = true;
        stopping_ = false;
        name_ = source->name();
        format_ = source->format();
        offeredSizes_ = source->offeredSizes();
        offeredFormats_ = source->offeredFormats();
    }
    source_ = std::move(source);
    thread_ = std::thread(&LiveSource::run, this);
    return Error::none();
}

void LiveSource::stop()
{
    std::lock_guard control(controlMutex_);
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
    source_.reset();
}

void LiveSource::run()
{
    std::shared_ptr<Frame> spare;
    std::shared_ptr<Frame> published;
    while (true) {
        {
            std::lock_guard lock(mutex_);
            if (stopping_)
                break;
        }
        std::shared_ptr<Frame> frame = reusableFrame(spare);
        if (Error e = source_->readFrame(*frame)) {
            spare = std::move(frame);
            std::unique_lock lock(mutex_);
            if (e.kind != ErrorKind::Io) {
                failure_ = std::move(e);
                break;
            }
            changed_.wait_for(lock, kRetryDelay, [this] { return stopping_; });
            continue;
        }
        {
            std::lock_guard lock(mutex_);
            newest_ = frame;
            ++frameCount_;
        }
        changed_.notify_all();
        {
            std::lock_guard lock(listenerMutex_);
            if (listener_)
                listener_(frame);
        }
        // The frame it replaces becomes the next one to read into when nobody holds it any
        // more: no fresh allocation (and page faults) for every frame.
        spare = std::exchange(published, std::move(frame));
    }
    source_->stop();
    {
        std::lock_guard lock(mutex_);
        streaming_ = false;
    }
    changed_.notify_all();
}

std::shared_ptr<Frame> LiveSource::reusableFrame(std::shared_ptr<Frame>& spare) const
{
    if (spare && spare.use_count() == 1) {
        // Pairs with the release in the last other owner's reference drop: its reads of the
        // frame are finished before we write into it.
        std::atomic_thread_fence(std::memory_order_acquire);
        return std::move(spare);
    }
    spare.reset();
    return std::make_shared<Frame>();
}

bool LiveSource::streaming() const
{
    std::lock_guard lock(mutex_);
    return streaming_;
}

std::string LiveSource::sourceName() const
{
    std::lock_guard lock(mutex_);
    return name_;
}

StreamFormat LiveSource::format() const
{
    std::lock_guard lock(mutex_);
    return format_;
}

std::vector<OfferedFormat> LiveSource::offeredFormats() const
{
    std::lock_guard lock(mutex_);
    return offeredFormats_;
}

std::vector<FrameSize> LiveSource::offeredSizes() const
{
    std::lock_guard lock(mutex_);
    return offeredSizes_;
}

std::shared_ptr<const Frame> LiveSource::newest() const
{
    std::lock_guard lock(mutex_);
    return newest_;
}

uint64_t LiveSource::frameCount() const
{
    std::lock_guard lock(mutex_);
    return frameCount_;
}

Error LiveSource::failure() const
{
    std::lock_guard lock(mutex_);
    return failure_;
}

Error LiveSource::waitForFrameStartedAfter(int64_t requestNs, std::chrono::milliseconds timeout,
                                          std::shared_ptr<const Frame>& out)
{
    std::unique_lock lock(mutex_);
    const auto fresh = [&] { return newest_ && newest_->exposureStartNs > requestNs; };
    changed_.wait_for(lock, timeout, [&] { return fresh() || !streaming_ || stopping_; });
    if (fresh()) {
        out = newest_;
        return Error::none();
    }
    if (failure_)
        return failure_;
    if (!streaming_ || stopping_)
        return {ErrorKind::Io, "The capture stopped before a new frame arrived."};
    return {ErrorKind::Io, "No new frame came from \"" + name_ + "\" within " +
                               std::to_string(timeout.count()) + " ms."};
}

void LiveSource::setFrameListener(FrameListener listener)
{
    std::lock_guard lock(listenerMutex_);
    listener_ = std::move(listener);
}

}  // namespace media
