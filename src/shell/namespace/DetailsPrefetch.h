#pragma once

#include "shell/namespace/PosixShellFolder.h"

#include <QByteArrayView>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace lumisnap {

// Size and time of a large folder's entries, looked up on a second thread while the folder
// is still being read: a sort by either is then mostly done by the time it starts.
// Every member is called on the owner's thread; only the lookups run on the worker, each
// into storage of its own, so the owner's tables may move meanwhile.
class DetailsPrefetch
{
public:
    // `dirFd`: the folder being read, open until close(); the worker gets a descriptor of
    // its own.
    explicit DetailsPrefetch(int dirFd);
    ~DetailsPrefetch(); // stops and joins the worker
    DetailsPrefetch(const DetailsPrefetch &) = delete;
    DetailsPrefetch &operator=(const DetailsPrefetch &) = delete;

    // One more entry to look at; `place` is the caller's key for it. Entries gather until
    // there are enough to be worth a thread.
    void add(std::uint32_t place, QByteArrayView name);
    // No more entries: the worker stops once it has looked at those it has.
    void close();
    // Looks at what is left, with this thread's help on `dirFd`, joins, and hands out what
    // was learnt. Entries never looked at (no thread to be had) are left to the caller.
    void finish(int dirFd,
        const std::function<void(std::uint32_t place, const PosixShellFolder::EntryInfo &)> &take);

    static constexpr std::size_t WorthAThread = 1024;

private:
    struct Batch;
    void queueBatch();
    void startWorker();
    void work();
    Batch *takeBatch(bool wait);
    static void lookAt(int dirFd, Batch &batch);

    std::unique_ptr<Batch> m_gathering;
    std::vector<std::unique_ptr<Batch>> m_batches; // under m_mutex
    std::size_t m_taken = 0; // batches handed to a thread; under m_mutex
    bool m_closed = false; // under m_mutex
    std::size_t m_queued = 0;
    int m_sourceFd;
    int m_workerFd = -1;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::thread m_worker;
};

} // namespace lumisnap
