#include "controls/SortedPathList.h"

#include "common/FileName.h"

#include <algorithm>
#include <cstring>

namespace lumisnap {

namespace {

// A run is split in two once it holds twice this many rows.
constexpr std::size_t RunLength = 512;
constexpr std::size_t BlockBytes = 256 * 1024;

QString textOf(QByteArrayView bytes)
{
    return decodeFileName(QByteArray::fromRawData(bytes.data(), bytes.size()));
}

} // namespace

SortedPathList::SortedPathList()
    : m_collator(fileNameCollator())
{
}

SortedPathList::~SortedPathList() = default;

QByteArrayView SortedPathList::at(int index) const
{
    if (index < 0 || index >= m_count)
        return {};
    const auto next = std::upper_bound(m_starts.begin(), m_starts.end(), index);
    const auto run = std::size_t(next - m_starts.begin()) - 1;
    const Row &row = m_runs[run][std::size_t(index - m_starts[run])];
    return { row.data, qsizetype(row.size) };
}

void SortedPathList::clear()
{
    std::vector<Run>().swap(m_runs);
    std::vector<int>().swap(m_starts);
    std::vector<std::unique_ptr<char[]>>().swap(m_blocks);
    m_blockUsed = 0;
    m_blockSize = 0;
    m_count = 0;
}

void SortedPathList::insert(
    std::span<const QByteArray> paths, const std::function<void(int index)> &inserted)
{
    std::vector<Arrival> arrivals;
    arrivals.reserve(paths.size());
    for (const QByteArray &path : paths)
        arrivals.push_back({ path, decodeFileName(path) });
    std::sort(arrivals.begin(), arrivals.end(),
        [this](const Arrival &a, const Arrival &b) { return compare(a, b) < 0; });
    int next = -1;
    for (const Arrival &arrival : arrivals) {
        const int index = next < 0 ? search(arrival, 0, m_count) : placeAfter(arrival, next);
        insertAt(index, store(arrival.bytes));
        next = index + 1;
        if (inserted)
            inserted(index);
    }
}

int SortedPathList::compare(const Arrival &a, const Arrival &b) const
{
    if (const int order = m_collator.compare(a.text, b.text))
        return order;
    return QByteArrayView(a.bytes).compare(b.bytes);
}

bool SortedPathList::sortsBefore(const Arrival &arrival, int index) const
{
    const QByteArrayView bytes = at(index);
    return compare(arrival, { bytes, textOf(bytes) }) < 0;
}

// The first row from `from` on that sorts after the arrival; equal paths keep the order
// they came in. Most arrivals land right at `from`, so the search gallops from there.
int SortedPathList::placeAfter(const Arrival &arrival, int from) const
{
    if (from >= m_count || sortsBefore(arrival, from))
        return from;
    int low = from; // sorts with or before the arrival
    for (int step = 1;; step *= 2) {
        const int high = std::min(m_count, low + step);
        if (high == m_count || sortsBefore(arrival, high))
            return search(arrival, low + 1, high);
        low = high;
    }
}

int SortedPathList::search(const Arrival &arrival, int low, int high) const
{
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (sortsBefore(arrival, middle))
            high = middle;
        else
            low = middle + 1;
    }
    return low;
}

SortedPathList::Row SortedPathList::store(QByteArrayView path)
{
    const auto size = std::size_t(path.size());
    if (m_blocks.empty() || m_blockUsed + size > m_blockSize) {
        m_blockSize = std::max(BlockBytes, size);
        m_blocks.push_back(std::make_unique_for_overwrite<char[]>(m_blockSize));
        m_blockUsed = 0;
    }
    char *data = m_blocks.back().get() + m_blockUsed;
    std::memcpy(data, path.data(), size);
    m_blockUsed += size;
    return { data, std::uint32_t(size) };
}

void SortedPathList::insertAt(int index, const Row &row)
{
    if (m_runs.empty()) {
        m_runs.push_back({ row });
        m_starts.push_back(0);
        ++m_count;
        return;
    }
    const auto next = std::upper_bound(m_starts.begin(), m_starts.end(), index);
    const auto r = std::size_t(next - m_starts.begin()) - 1;
    Run &run = m_runs[r];
    run.insert(run.begin() + (index - m_starts[r]), row);
    for (std::size_t i = r + 1; i < m_starts.size(); ++i)
        ++m_starts[i];
    ++m_count;
    if (run.size() >= 2 * RunLength)
        splitRun(r);
}

void SortedPathList::splitRun(std::size_t run)
{
    Run &full = m_runs[run];
    Run tail(full.begin() + std::ptrdiff_t(RunLength), full.end());
    full.erase(full.begin() + std::ptrdiff_t(RunLength), full.end());
    const int start = m_starts[run] + int(RunLength);
    m_runs.insert(m_runs.begin() + std::ptrdiff_t(run) + 1, std::move(tail));
    m_starts.insert(m_starts.begin() + std::ptrdiff_t(run) + 1, start);
}

} // namespace lumisnap
