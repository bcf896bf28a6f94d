#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QCollator>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace lumisnap {

// Paths in the order of the file list's names (letter case ignored, numbers by value,
// ties broken by bytes), kept sorted as they arrive in batches. Rows live in short runs,
// so an insertion anywhere moves a few hundred rows, not the whole list; the bytes live
// in large blocks. A batch is sorted first and then merged in, each search starting
// where the one before it ended: the paths of one folder mostly land side by side.
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

private:
    struct Row
    {
        const char *data;
        std::uint32_t size;
    };
    struct Arrival
    {
        QByteArrayView bytes;
        QString text;
    };
    using Run = std::vector<Row>;

    int compare(const Arrival &a, const Arrival &b) const;
    bool sortsBefore(const Arrival &arrival, int index) const;
    int placeAfter(const Arrival &arrival, int from) const;
    int search(const Arrival &arrival, int low, int high) const;
    Row store(QByteArrayView path);
    void insertAt(int index, const Row &row);
    void splitRun(std::size_t run);

    QCollator m_collator;
    std::vector<Run> m_runs;
    std::vector<int> m_starts; // the index of each run's first row
    std::vector<std::unique_ptr<char[]>> m_blocks;
    std::size_t m_blockUsed = 0;
    std::size_t m_blockSize = 0;
    int m_count = 0;
};

} // namespace lumisnap
