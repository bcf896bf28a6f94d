#pragma once

#include "picture/PreviewPlacement.h"

#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace lumisnap {

// Decodes the JPEGs the user is likely to look at next on a worker thread, into
// the decode cache, so that loading one of them later finds its picture ready.
// What a file's own load or draw would raise stays for that load and draw: the
// worker keeps a data error beside the picture and skips files it cannot read.
class JpegPrefetcher
{
public:
    static JpegPrefetcher &instance();
    ~JpegPrefetcher();

    // Replaces what still waits with paths, nearest first, to be decoded as a preview
    // placed so draws them (whole while the viewer wants whole pictures); not JPEGs
    // are passed over.
    void request(const QStringList &paths, const PreviewPlacement &placement = {});
    // Waits until nothing waits or runs; for tests.
    void waitIdle();

private:
    JpegPrefetcher();
    void run();
    void decodeAhead(const QString &path, const PreviewPlacement &placement);

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    QStringList m_waiting;
    PreviewPlacement m_placement;
    bool m_busy = false;
    std::atomic_bool m_stop = false;
    std::thread m_thread;
};

} // namespace lumisnap
