#include "shell/namespace/DetailsPrefetch.h"

#include "shell/namespace/PosixEntry.h"

#include <fcntl.h>
#include <unistd.h>

#include <system_error>
#include <utility>

namespace lumisnap {

namespace {

// Small enough that both threads share the tail evenly, large enough that the lock is
// taken rarely.
constexpr std::size_t BatchSize = 256;

} // namespace

// Names and results side by side; a batch belongs to one thread at a time.
struct DetailsPrefetch::Batch
{
    std::vector<std::uint32_t> places;
    std::vector<std::uint32_t> starts; // into names
    std::string names; // zero-separated copies: the caller's lists may go meanwhile
    std::vector<PosixShellFolder::EntryInfo> results;
    bool done = false;
};

DetailsPrefetch::DetailsPrefetch(int dirFd)
    : m_sourceFd(dirFd)
{
}

DetailsPrefetch::~DetailsPrefetch()
{
    {
        const std::lock_guard lock(m_mutex);
        m_closed = true;
        m_taken = m_batches.size(); // what the worker has not begun is not wanted now
    }
    m_wake.notify_all();
    if (m_worker.joinable())
        m_worker.join();
    if (m_workerFd >= 0)
        ::close(m_workerFd);
}

void DetailsPrefetch::add(std::uint32_t place, QByteArrayView name)
{
    if (!m_gathering) {
        m_gathering = std::make_unique<Batch>();
        m_gathering->places.reserve(BatchSize);
        m_gathering->starts.reserve(BatchSize);
    }
    Batch &batch = *m_gathering;
    batch.places.push_back(place);
    batch.starts.push_back(std::uint32_t(batch.names.size()));
    batch.names.append(name.data(), std::size_t(name.size()));
    batch.names.push_back('\0');
    if (batch.places.size() >= BatchSize)
        queueBatch();
}

void DetailsPrefetch::queueBatch()
{
    m_gathering->results.resize(m_gathering->places.size());
    m_queued += m_gathering->places.size();
    {
        const std::lock_guard lock(m_mutex);
        m_batches.push_back(std::move(m_gathering));
    }
    m_wake.notify_one();
    if (!m_worker.joinable() && m_sourceFd >= 0 && m_queued >= WorthAThread)
        startWorker();
}

void DetailsPrefetch::startWorker()
{
    // A descriptor of its own: threads sharing one bounce its reference count between the
    // cores on every call.
    m_workerFd = ::openat(m_sourceFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    m_sourceFd = -1; // one try
    if (m_workerFd < 0)
        return;
    try {
        m_worker = std::thread([this] { work(); });
    } catch (const std::system_error &) {
        ::close(m_workerFd); // no thread to be had: the sort looks at everything itself
        m_workerFd = -1;
    }
}

void DetailsPrefetch::close()
{
    if (m_gathering && !m_gathering->places.empty())
        queueBatch();
    m_sourceFd = -1;
    {
        const std::lock_guard lock(m_mutex);
        m_closed = true;
    }
    m_wake.notify_all();
}

void DetailsPrefetch::work()
{
    try {
        while (Batch *batch = takeBatch(true))
            lookAt(m_workerFd, *batch);
    } catch (...) {
        // Whatever the worker did not finish, the sort looks at itself.
    }
}

DetailsPrefetch::Batch *DetailsPrefetch::takeBatch(bool wait)
{
    std::unique_lock lock(m_mutex);
    if (wait)
        m_wake.wait(lock, [this] { return m_taken < m_batches.size() || m_closed; });
    return m_taken < m_batches.size() ? m_batches[m_taken++].get() : nullptr;
}

void DetailsPrefetch::lookAt(int dirFd, Batch &batch)
{
    for (std::size_t i = 0; i < batch.places.size(); ++i)
        fillDetails(dirFd, batch.names.data() + batch.starts[i], batch.results[i]);
    batch.done = true;
}

void DetailsPrefetch::finish(int dirFd,
    const std::function<void(std::uint32_t place, const PosixShellFolder::EntryInfo &)> &take)
{
    close();
    if (!m_worker.joinable())
        return; // too few entries for a thread: the sort's own path is as quick
    while (Batch *batch = takeBatch(false))
        lookAt(dirFd, *batch);
    m_worker.join();
    for (const std::unique_ptr<Batch> &batch : m_batches) {
        if (!batch->done)
            continue;
        for (std::size_t i = 0; i < batch->places.size(); ++i)
            take(batch->places[i], batch->results[i]);
    }
    m_batches.clear();
}

} // namespace lumisnap
