#pragma once

#include "picture/PreviewPlacement.h"

#include <QStringList>

#include <atomic>
#include <chrono>
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
    // placed so draws them (whole while the viewer wants whole pictures), and then,
    // once the user pauses, shown whole, so that the viewer opens at once. While the
    // viewer is open, whole pictures of other files are let go first. Not JPEGs are
    // passed over.
    void request(const QStringList &paths, const PreviewPlacement &placement = {},
        const QString &shown = {});
    // Waits until no neighbour waits and nothing runs; for tests.
    void waitIdle();

    // How long the user must pause before the shown picture is decoded whole.
    static constexpr std::chrono::milliseconds PauseBeforeWhole { 300 };

private:
    JpegPrefetcher();
    void run();
    void keepWholeOnly(const QStringList &paths);
    void decodeAhead(const QString &path, const PreviewPlacement &placement);

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    QStringList m_waiting;
    PreviewPlacement m_placement;
    QString m_shown; // to be decoded whole after the pause
    QStringList m_requested; // shown and its neighbours, whose whole pictures stay
    bool m_newRequest = false;
    quint64 m_generation = 0;
    bool m_busy = false;
    std::atomic_bool m_stop = false;
    std::thread m_thread;
};

} // namespace lumisnap
