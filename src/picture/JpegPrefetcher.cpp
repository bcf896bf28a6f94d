#include "picture/JpegPrefetcher.h"

#include "common/FileName.h"
#include "picture/JpegDecodeCache.h"
#include "picture/TJPEGImage.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <sys/stat.h>

namespace lumisnap {

namespace {

bool isJpegName(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg");
}

} // namespace

JpegPrefetcher &JpegPrefetcher::instance()
{
    static JpegPrefetcher prefetcher;
    return prefetcher;
}

JpegPrefetcher::JpegPrefetcher()
{
    // Made first, so that it outlives the worker at exit.
    JpegDecodeCache::instance();
    m_thread = std::thread([this] { run(); });
}

// At exit the waiting list is dropped and a decode under way stops at its next rows.
JpegPrefetcher::~JpegPrefetcher()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
        m_waiting.clear();
    }
    m_wake.notify_all();
    m_thread.join();
}

void JpegPrefetcher::request(
    const QStringList &paths, const PreviewPlacement &placement, const QString &shown)
{
    {
        const std::lock_guard lock(m_mutex);
        m_waiting.clear();
        m_placement = placement;
        for (const QString &path : paths)
            if (!path.isEmpty() && isJpegName(path))
                m_waiting.append(path);
        m_shown = !shown.isEmpty() && isJpegName(shown) ? shown : QString();
        m_requested = paths;
        m_requested.append(shown);
        m_newRequest = true;
        ++m_generation;
    }
    m_wake.notify_one();
}

void JpegPrefetcher::waitIdle()
{
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_waiting.isEmpty() && !m_busy; });
}

void JpegPrefetcher::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || !m_waiting.isEmpty() || !m_shown.isEmpty(); });
        if (m_stop)
            return;
        QString path;
        PreviewPlacement placement;
        if (!m_waiting.isEmpty()) {
            path = m_waiting.takeFirst();
            placement = m_placement;
        } else {
            // A user stepping through the list never waits this long: no whole
            // picture is decoded for nothing.
            const quint64 generation = m_generation;
            if (m_wake.wait_for(
                    lock, PauseBeforeWhole, [&] { return m_stop || m_generation != generation; }))
                continue;
            path = std::exchange(m_shown, QString());
        }
        const QStringList requested
            = std::exchange(m_newRequest, false) ? m_requested : QStringList();
        m_busy = true;
        lock.unlock();
        if (!requested.isEmpty())
            keepWholeOnly(requested);
        decodeAhead(path, placement);
        lock.lock();
        m_busy = false;
        if (m_waiting.isEmpty())
            m_idle.notify_all();
    }
}

// While the viewer is open, whole pictures of files it is no longer next to go before
// the next is decoded, so that memory never holds more than the viewer can step to.
void JpegPrefetcher::keepWholeOnly(const QStringList &paths)
{
    JpegDecodeCache &cache = JpegDecodeCache::instance();
    if (!cache.wholeWanted())
        return;
    std::vector<FileIdentity> files;
    for (const QString &path : paths)
        if (const auto id = path.isEmpty() ? std::nullopt : FileIdentity::ofPath(path))
            files.push_back(*id);
    cache.keepWholeOnly(files);
}

void JpegPrefetcher::decodeAhead(const QString &path, const PreviewPlacement &placement)
{
    try {
        struct stat status;
        if (::stat(encodeFileName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
            return;
        QFile file;
        if (!openFile(file, path, QIODevice::ReadOnly))
            return;
        const auto id = FileIdentity::of(file);
        if (!id)
            return;
        JpegDecodeCache &cache = JpegDecodeCache::instance();
        cache.beginDecodeAhead(*id);
        const auto done = qScopeGuard([&cache] { cache.endDecodeAhead(); });
        TJPEGImage jpeg;
        jpeg.setStopFlag(&m_stop);
        jpeg.loadFromFile(file); // found in the cache when decoded before
        // A whole picture too large for the cache would be decoded for nothing.
        const bool whole = placement.mode == PreviewPlacement::Mode::Whole || cache.wholeWanted();
        const qint64 wholeBytes = qint64(jpeg.width()) * jpeg.height() * 3;
        if (jpeg.sharesDecodes() && (!whole || wholeBytes <= JpegDecodeCache::MaxBytes))
            jpeg.prepare(placement);
    } catch (...) {
        // The user's own load of this file meets the same fault and reports it.
    }
}

} // namespace lumisnap
