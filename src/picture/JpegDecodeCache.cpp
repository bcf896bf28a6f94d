#include "picture/JpegDecodeCache.h"

#include "common/FileName.h"

#include <QFile>

#include <algorithm>

#include <sys/stat.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

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

std::optional<FileIdentity> FileIdentity::ofPath(const QString &path)
{
    QFile file(path);
    if (!openFile(file, path, QIODevice::ReadOnly))
        return std::nullopt;
    return of(file);
}

namespace {

bool sameFile(const FileIdentity &a, const FileIdentity &b)
{
    return a.device == b.device && a.inode == b.inode;
}

} // namespace

JpegDecodeCache &JpegDecodeCache::instance()
{
    static JpegDecodeCache cache;
    return cache;
}

std::optional<JpegDecodeCache::Entry> JpegDecodeCache::find(
    const FileIdentity &id, int scaleDenom, const QRect &area)
{
    const std::lock_guard lock(m_mutex);
    auto best = m_entries.end();
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
        const Entry &entry = it->second;
        if (it->first == id && entry.scaleDenom <= scaleDenom && covers(entry.area, area)
            && (best == m_entries.end()
                || entry.image.sizeInBytes() < best->second.image.sizeInBytes()))
            best = it;
    }
    if (best == m_entries.end())
        return std::nullopt;
    m_entries.splice(m_entries.begin(), m_entries, best);
    return best->second;
}

void JpegDecodeCache::insert(const FileIdentity &id, Entry entry)
{
    if (entry.image.sizeInBytes() > (entry.whole ? MaxBytes : MaxPreviewBytes))
        return;
    const std::lock_guard lock(m_mutex);
    if (entry.forViewer && !m_wholeWanted)
        return;
    // An older version of the same file is of no more use, nor the same decode twice.
    m_entries.remove_if([&](const auto &held) {
        return (sameFile(held.first, id) && !(held.first == id))
            || (held.first == id && held.second.scaleDenom == entry.scaleDenom
                && held.second.area == entry.area);
    });
    m_entries.emplace_front(id, std::move(entry));
    trim();
}

void JpegDecodeCache::clear()
{
    const std::lock_guard lock(m_mutex);
    m_entries.clear();
}

void JpegDecodeCache::setWholeWanted(bool wanted, const std::optional<FileIdentity> &kept)
{
    {
        const std::lock_guard lock(m_mutex);
        m_wholeWanted = wanted;
        if (wanted)
            return;
        const auto keptWhole = std::find_if(m_entries.begin(), m_entries.end(),
            [&](const auto &held) { return held.second.whole && kept && held.first == *kept; });
        for (auto it = m_entries.begin(); it != m_entries.end();)
            it = it->second.whole && it != keptWhole ? m_entries.erase(it) : std::next(it);
        if (keptWhole != m_entries.end())
            keptWhole->second.forViewer = false; // now the main window's
        trim();
    }
#ifdef __GLIBC__
    // Pictures below glibc's mapping threshold leave the heap with free pages that it
    // would otherwise keep.
    malloc_trim(0);
#endif
}

bool JpegDecodeCache::wholeWanted() const
{
    const std::lock_guard lock(m_mutex);
    return m_wholeWanted;
}

void JpegDecodeCache::makeRoomForWhole()
{
    const std::lock_guard lock(m_mutex);
    std::size_t whole = 0;
    const std::size_t most = m_wholeWanted ? MaxPictures : MaxPicturesViewerClosed;
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (it->second.whole && ++whole >= most)
            it = m_entries.erase(it);
        else
            ++it;
    }
}

void JpegDecodeCache::keepWholeOnly(const std::vector<FileIdentity> &files)
{
    const std::lock_guard lock(m_mutex);
    m_entries.remove_if([&](const auto &held) {
        return held.second.whole && std::none_of(files.begin(), files.end(), [&](const auto &file) {
            return sameFile(file, held.first);
        });
    });
}

void JpegDecodeCache::beginDecodeAhead(const FileIdentity &id)
{
    const std::lock_guard lock(m_mutex);
    m_decodingAhead = id;
    m_aheadThread = std::this_thread::get_id();
}

void JpegDecodeCache::endDecodeAhead()
{
    {
        const std::lock_guard lock(m_mutex);
        m_decodingAhead.reset();
    }
    m_decodedAhead.notify_all();
}

void JpegDecodeCache::waitForDecodeAhead(const FileIdentity &id)
{
    std::unique_lock lock(m_mutex);
    if (m_aheadThread == std::this_thread::get_id())
        return;
    m_decodedAhead.wait(lock, [&] { return m_decodingAhead != id; });
}

void JpegDecodeCache::trim()
{
    qint64 bytes[2] = { 0, 0 };
    std::size_t count[2] = { 0, 0 };
    const std::size_t most = m_wholeWanted ? MaxPictures : MaxPicturesViewerClosed;
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        const int kind = it->second.whole ? 1 : 0;
        const qint64 size = it->second.image.sizeInBytes();
        const bool over = kind
            ? count[1] + 1 > most || bytes[1] + size > MaxBytes
            : count[0] + 1 > MaxPreviewEntries || bytes[0] + size > MaxPreviewBytes;
        if (over) {
            it = m_entries.erase(it);
        } else {
            bytes[kind] += size;
            ++count[kind];
            ++it;
        }
    }
}

} // namespace lumisnap
