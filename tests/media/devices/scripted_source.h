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
    void push(Step step) {
        {
            std::lock_guard lock(m_mutex);
            m_steps.push_back(std::move(step));
        }
        m_ready.notify_all();
    }

    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<Step> m_steps;
    uint64_t m_sequence = 0;
};

class ScriptedSource final : public FrameSource {
public:
    // Short, so that tests that wait for nothing stay quick; real sources take about a second.
    static constexpr std::chrono::milliseconds kReadTimeout{100};

    explicit ScriptedSource(std::shared_ptr<SourceScript> script) : m_script(std::move(script)) {}

    std::string name() const override { return "Scripted"; }
    Error start() override {
        m_script->started = !m_script->startError;
        return m_script->startError;
    }
    StreamFormat format() const override { return {PixelFormat::Rgb24, 1, 1, 1, 30}; }
    Error readFrame(Frame& frame) override {
        std::unique_lock lock(m_script->m_mutex);
        if (!m_script->m_ready.wait_for(lock, kReadTimeout, [&] { return !m_script->m_steps.empty(); }))
            return {ErrorKind::Io, "no frame"};
        const SourceScript::Step step = m_script->m_steps.front();
        m_script->m_steps.pop_front();
        if (step.error) return step.error;
        frame.format = PixelFormat::Rgb24;
        frame.width = frame.height = 1;
        frame.data.assign(3, step.tag);
        frame.exposureStartNs = step.startNs;
        frame.sequence = m_script->m_sequence++;
        return Error::none();
    }
    void stop() override { m_script->stopped = true; }

private:
    std::shared_ptr<SourceScript> m_script;
};

}  // namespace media::testing
