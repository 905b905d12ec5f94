// A frame source whose frames and failures the test hands over one at a time.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

#include "media/common/frame.h"

namespace media::testing {

class SourceScript {
public:
    // The next read returns a frame whose exposure began at startNs, `tag` as its only byte.
    void frame(int64_t startNs, uint8_t tag = 0) { push(Step{startNs, tag, {}}); }
    void failure(ErrorKind kind) { push(Step{0, 0, {kind, "scripted failure"}}); }

    Error startError;
    std::atomic<bool> started = false;
    std::atomic<bool> stopped = false;

private:
    friend class ScriptedSource;
    struct Step {
        int64_t startNs;
        uint8_t tag;
        Error error;
    };
    void push(Step step)
    {
        {
            std::lock_guard lock(mutex_);
            steps_.push_back(std::move(step));
        }
        ready_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Step> steps_;
    uint64_t sequence_ = 0;
};

class ScriptedSource final : public FrameSource {
public:
    // Short, so that tests that wait for nothing stay quick; real sources take about a second.
    static constexpr std::chrono::milliseconds kReadTimeout{100};

    explicit ScriptedSource(std::shared_ptr<SourceScript> script) : script_(std::move(script)) {}

    std::string name() const override { return "Scripted"; }
    Error start() override
    {
        script_->started = !script_->startError;
        return script_->startError;
    }
    StreamFormat format() const override { return {PixelFormat::Rgb24, 1, 1, 1, 30}; }
    Error readFrame(Frame& frame) override
    {
        std::unique_lock lock(script_->mutex_);
        if (!script_->ready_.wait_for(lock, kReadTimeout, [&] { return !script_->steps_.empty(); }))
            return {ErrorKind::Io, "no frame"};
        const SourceScript::Step step = script_->steps_.front();
        script_->steps_.pop_front();
        if (step.error)
            return step.error;
        frame.format = PixelFormat::Rgb24;
        frame.width = frame.height = 1;
        frame.data.assign(3, step.tag);
        frame.exposureStartNs = step.startNs;
        frame.sequence = script_->sequence_++;
        return Error::none();
    }
    void stop() override { script_->stopped = true; }

private:
    std::shared_ptr<SourceScript> script_;
};

}  // namespace media::testing
