#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/conversion_job.h"

namespace morvane::app {

// Probes added files one after another on a thread of its own, so that the window stays responsive
// while hundreds of files are added; the results come out in the order the paths went in.
class ProbeQueue {
public:
    // Probes one file: the job with its facts, or null when the file cannot be decoded.
    using Probe = std::function<std::unique_ptr<engine::ConversionJob>(const std::string& path)>;

    struct Result {
        std::uint64_t request = 0; // what enqueue returned for the path
        std::string path;
        std::unique_ptr<engine::ConversionJob> job; // null: the file cannot be decoded
        bool lastOfRequest = false;
    };
    // Receives each result on the probing thread.
    using Deliver = std::function<void(Result)>;

    ProbeQueue(Probe probe, Deliver deliver);
    // Drops the paths still waiting and waits for the file being probed.
    ~ProbeQueue();
    ProbeQueue(const ProbeQueue&) = delete;
    ProbeQueue& operator=(const ProbeQueue&) = delete;

    // Queues the paths behind those already waiting. Returns the request's number (from 1 on), or
    // 0 for an empty list, which queues nothing.
    std::uint64_t enqueue(std::vector<std::string> paths);
    // Paths queued or being probed.
    std::size_t pending() const;
    bool idle() const { return pending() == 0; }
    // Blocks until every queued path has been delivered (tests and benchmarks).
    void waitIdle() const;

private:
    struct Item {
        std::uint64_t request = 0;
        std::string path;
        bool last = false;
    };
    void run();

    Probe m_probe;
    Deliver m_deliver;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::deque<Item> m_items;
    std::size_t m_busy = 0; // items taken but not yet delivered
    std::uint64_t m_nextRequest = 1;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace morvane::app
