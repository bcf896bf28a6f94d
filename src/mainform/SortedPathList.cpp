#include "mainform/SortedPathList.h"

#include "common/FileName.h"

#include <algorithm>
#include <cstring>

namespace lumisnap {

namespace {

// A run is split in two once it holds twice this many rows.
constexpr std::size_t RunLength = 512;
constexpr std::size_t BlockBytes = 256 * 1024;

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
    std::vector<QCollatorSortKey>().swap(m_keys);
    m_keysKept = true;
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
    if (!m_keysKept)
        makeKeys();
    for (const QByteArray &path : paths) {
        m_keys.push_back(m_collator.sortKey(decodeFileName(path)));
        Row row = store(path);
        row.key = std::uint32_t(m_keys.size() - 1);
        const int index = insertRow(row);
        ++m_count;
        if (inserted)
            inserted(index);
    }
}

void SortedPathList::settle()
{
    std::vector<QCollatorSortKey>().swap(m_keys);
    m_keysKept = false;
}

bool SortedPathList::less(const Row &a, const Row &b) const
{
    const int order = m_keys[a.key].compare(m_keys[b.key]);
    if (order != 0)
        return order < 0;
    return QByteArrayView(a.data, qsizetype(a.size)) < QByteArrayView(b.data, qsizetype(b.size));
}

SortedPathList::Row SortedPathList::store(const QByteArray &path)
{
    const auto size = std::size_t(path.size());
    if (m_blocks.empty() || m_blockUsed + size > m_blockSize) {
        m_blockSize = std::max(BlockBytes, size);
        m_blocks.push_back(std::make_unique_for_overwrite<char[]>(m_blockSize));
        m_blockUsed = 0;
    }
    char *data = m_blocks.back().get() + m_blockUsed;
    std::memcpy(data, path.constData(), size);
    m_blockUsed += size;
    return { data, std::uint32_t(size), 0 };
}

// The row goes after every row that does not sort after it, so equal paths keep the
// order they came in.
int SortedPathList::insertRow(const Row &row)
{
    if (m_runs.empty()) {
        m_runs.push_back({ row });
        m_starts.push_back(0);
        return 0;
    }
    const auto after = [this](const Row &a, const Row &b) { return less(a, b); };
    auto run = std::partition_point(
        m_runs.begin(), m_runs.end(), [&](const Run &r) { return !less(row, r.back()); });
    if (run == m_runs.end())
        --run;
    const auto place = std::upper_bound(run->begin(), run->end(), row, after);
    const auto r = std::size_t(run - m_runs.begin());
    const int index = m_starts[r] + int(place - run->begin());
    run->insert(place, row);
    for (std::size_t i = r + 1; i < m_starts.size(); ++i)
        ++m_starts[i];
    if (m_runs[r].size() >= 2 * RunLength)
        splitRun(r);
    return index;
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

void SortedPathList::makeKeys()
{
    m_keys.reserve(std::size_t(m_count));
    for (Run &run : m_runs) {
        for (Row &row : run) {
            row.key = std::uint32_t(m_keys.size());
            m_keys.push_back(
                m_collator.sortKey(decodeFileName(QByteArray(row.data, qsizetype(row.size)))));
        }
    }
    m_keysKept = true;
}

} // namespace lumisnap
