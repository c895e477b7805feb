#include "app/probe_queue.h"

namespace morvane::app {

ProbeQueue::ProbeQueue(Probe probe, Deliver deliver)
    : m_probe(std::move(probe)), m_deliver(std::move(deliver)) {}

ProbeQueue::~ProbeQueue() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_items.clear();
    }
    m_changed.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

std::uint64_t ProbeQueue::enqueue(std::vector<std::string> paths) {
    if (paths.empty()) {
        return 0;
    }
    std::uint64_t request = 0;
    {
        const std::lock_guard lock(m_mutex);
        request = m_nextRequest++;
        for (std::size_t i = 0; i < paths.size(); ++i) {
            m_items.push_back(Item{request, std::move(paths[i]), i + 1 == paths.size()});
        }
        // The thread starts with the first request and stays for the queue's life.
        if (!m_thread.joinable()) {
            m_thread = std::thread([this] { run(); });
        }
    }
    m_changed.notify_all();
    return request;
}

std::size_t ProbeQueue::pending() const {
    const std::lock_guard lock(m_mutex);
    return m_items.size() + m_busy;
}

void ProbeQueue::waitIdle() const {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_stopping || (m_items.empty() && m_busy == 0); });
}

void ProbeQueue::run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stopping || !m_items.empty(); });
        if (m_stopping) {
            return;
        }
        Item item = std::move(m_items.front());
        m_items.pop_front();
        ++m_busy;
        lock.unlock();
        Result result;
        result.request = item.request;
        result.lastOfRequest = item.last;
        try {
            result.job = m_probe(item.path);
        } catch (...) {
            result.job.reset(); // a probe that throws could not read the file
        }
        result.path = std::move(item.path);
        m_deliver(std::move(result));
        lock.lock();
        --m_busy;
        m_changed.notify_all();
    }
}

} // namespace morvane::app
