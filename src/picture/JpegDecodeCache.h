#pragma once

#include <QImage>
#include <QString>

#include <cstddef>
#include <list>
#include <mutex>
#include <optional>

class QFile;

namespace lumisnap {

// Which file, and which version of it, a decoded picture came from: the same file
// under any of its names.
struct FileIdentity
{
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    qint64 offset = 0; // where the picture starts in the file

    // The identity of an open file; nothing when the system cannot tell it.
    static std::optional<FileIdentity> of(QFile &file);
    bool operator==(const FileIdentity &) const = default;
};

// Whole JPEG pictures already decoded, so that the preview and the viewer showing
// one file decode it once. Bounded in count and bytes; the least recently used
// picture goes first. Safe to use from any thread.
class JpegDecodeCache
{
public:
    struct Entry
    {
        QImage image; // upright
        int error = -1; // the decoder's message number, or -1
    };

    static JpegDecodeCache &instance();

    std::optional<Entry> find(const FileIdentity &id);
    void insert(const FileIdentity &id, Entry entry);
    void clear();

    static constexpr std::size_t MaxPictures = 3;
    static constexpr qint64 MaxBytes = qint64(256) << 20;

private:
    void trim();

    std::mutex m_mutex;
    std::list<std::pair<FileIdentity, Entry>> m_entries; // most recent first
};

} // namespace lumisnap
