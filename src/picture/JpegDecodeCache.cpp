#include "picture/JpegDecodeCache.h"

#include <QFile>

#include <sys/stat.h>

namespace lumisnap {

std::optional<FileIdentity> FileIdentity::of(QFile &file)
{
    struct stat status;
    if (file.handle() < 0 || ::fstat(file.handle(), &status) != 0)
        return std::nullopt;
    FileIdentity id;
    id.device = quint64(status.st_dev);
    id.inode = quint64(status.st_ino);
    id.size = qint64(status.st_size);
    id.modifiedNs = qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
    id.offset = file.pos();
    return id;
}

JpegDecodeCache &JpegDecodeCache::instance()
{
    static JpegDecodeCache cache;
    return cache;
}

std::optional<JpegDecodeCache::Entry> JpegDecodeCache::find(const FileIdentity &id)
{
    const std::lock_guard lock(m_mutex);
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it)
        if (it->first == id) {
            m_entries.splice(m_entries.begin(), m_entries, it);
            return it->second;
        }
    return std::nullopt;
}

void JpegDecodeCache::insert(const FileIdentity &id, Entry entry)
{
    if (entry.image.sizeInBytes() > MaxBytes)
        return;
    const std::lock_guard lock(m_mutex);
    // An older version of the same file is of no more use.
    m_entries.remove_if([&id](const auto &held) {
        return held.first.device == id.device && held.first.inode == id.inode;
    });
    m_entries.emplace_front(id, std::move(entry));
    trim();
}

void JpegDecodeCache::clear()
{
    const std::lock_guard lock(m_mutex);
    m_entries.clear();
}

void JpegDecodeCache::trim()
{
    qint64 bytes = 0;
    std::size_t count = 0;
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        bytes += it->second.image.sizeInBytes();
        ++count;
        if (count > MaxPictures || bytes > MaxBytes) {
            bytes -= it->second.image.sizeInBytes();
            --count;
            it = m_entries.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace lumisnap
