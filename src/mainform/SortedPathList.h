#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QCollator>
#include <QCollatorSortKey>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace lumisnap {

// Paths in the order of the file list's names (letter case ignored, numbers by value,
// ties broken by bytes), kept sorted as they arrive. Rows live in short runs, so an
// insertion anywhere moves a few hundred rows, not the whole list; the bytes live in
// large blocks. Each path's collation key is made once, and kept only while paths
// arrive.
class SortedPathList
{
public:
    SortedPathList();
    ~SortedPathList();
    SortedPathList(const SortedPathList &) = delete;
    SortedPathList &operator=(const SortedPathList &) = delete;

    int count() const { return m_count; }
    // The raw bytes of a path; valid until the list is cleared.
    QByteArrayView at(int index) const;

    void clear();
    // Puts each path in its place. inserted(index) is called as each one lands: rows
    // at that index and after it have moved down by one.
    void insert(std::span<const QByteArray> paths, const std::function<void(int index)> &inserted);
    // No more paths for a while: the collation keys are let go.
    void settle();

private:
    struct Row
    {
        const char *data;
        std::uint32_t size;
        std::uint32_t key; // index into m_keys while they are kept
    };
    using Run = std::vector<Row>;

    bool less(const Row &a, const Row &b) const;
    Row store(const QByteArray &path);
    int insertRow(const Row &row);
    void splitRun(std::size_t run);
    void makeKeys();

    QCollator m_collator;
    std::vector<QCollatorSortKey> m_keys;
    bool m_keysKept = true;
    std::vector<Run> m_runs;
    std::vector<int> m_starts; // the index of each run's first row
    std::vector<std::unique_ptr<char[]>> m_blocks;
    std::size_t m_blockUsed = 0;
    std::size_t m_blockSize = 0;
    int m_count = 0;
};

} // namespace lumisnap
