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

void JpegPrefetcher::request(const QStringList &paths, const PreviewPlacement &placement)
{
    {
        const std::lock_guard lock(m_mutex);
        m_waiting.clear();
        m_placement = placement;
        for (const QString &path : paths)
            if (!path.isEmpty() && isJpegName(path))
                m_waiting.append(path);
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
        m_wake.wait(lock, [this] { return m_stop || !m_waiting.isEmpty(); });
        if (m_stop)
            return;
        const QString path = m_waiting.takeFirst();
        const PreviewPlacement placement = m_placement;
        m_busy = true;
        lock.unlock();
        decodeAhead(path, placement);
        lock.lock();
        m_busy = false;
        if (m_waiting.isEmpty())
            m_idle.notify_all();
    }
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
        if (jpeg.sharesDecodes())
            jpeg.prepare(placement);
    } catch (...) {
        // The user's own load of this file meets the same fault and reports it.
    }
}

} // namespace lumisnap
