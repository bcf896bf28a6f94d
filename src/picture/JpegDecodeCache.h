#pragma once

#include <QImage>
#include <QRect>
#include <QString>

#include <condition_variable>
#include <cstddef>
#include <list>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

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
    // The identity of the file at path, read from its start.
    static std::optional<FileIdentity> ofPath(const QString &path);
    bool operator==(const FileIdentity &) const = default;
};

// JPEG pictures already decoded, whole or in part, so that the preview and the
// viewer showing one file decode it once, and a picture decoded ahead is found when
// reached. While the viewer is open, the whole pictures of its picture and its
// neighbours are kept; otherwise one, of the picture the main window shows, so that
// the viewer opens at once. The smaller decodes a preview draws from are kept beside
// them within a budget of their own. The least recently used entry goes first. Safe
// to use from any thread.
class JpegDecodeCache
{
public:
    struct Entry
    {
        QImage image; // upright
        int error = -1; // the decoder's message number, or -1
        int scaleDenom = 1; // image is the picture at 1/scaleDenom of its size...
        QRect area; // ...or the part of it (in upright pixels at full size) that it shows
        bool whole = false; // the whole picture at full size
        bool forViewer = false; // decoded whole for the viewer
    };

    static JpegDecodeCache &instance();

    // An entry of the file at the scale asked for or larger that covers area (in upright
    // pixels at full size); the smallest such.
    std::optional<Entry> find(const FileIdentity &id, int scaleDenom, const QRect &area);
    // An entry for the viewer is refused once the viewer no longer wants whole pictures.
    void insert(const FileIdentity &id, Entry entry);
    void clear();

    // While the viewer is open its pictures and their neighbours are decoded whole and
    // kept; when it closes they are dropped, but for the one the main window goes on
    // showing (kept), and their memory handed back to the system.
    void setWholeWanted(bool wanted, const std::optional<FileIdentity> &kept = {});
    bool wholeWanted() const;
    // Before a whole picture is decoded for the viewer: the least recently used whole
    // picture goes now rather than after, so that memory holds one picture fewer.
    void makeRoomForWhole();
    // Before the viewer's neighbours are decoded ahead: whole pictures of other files go.
    void keepWholeOnly(const std::vector<FileIdentity> &files);

    // A worker decoding id ahead marks it, so that a draw of the same picture on another
    // thread waits for that decode instead of decoding it a second time.
    void beginDecodeAhead(const FileIdentity &id);
    void endDecodeAhead();
    void waitForDecodeAhead(const FileIdentity &id);

    // Whether a decode of held shows all of wanted (nothing is always shown).
    static bool covers(const QRect &held, const QRect &wanted)
    {
        return wanted.isEmpty() || held.contains(wanted);
    }

    static constexpr std::size_t MaxPictures = 3; // while the viewer is open
    static constexpr std::size_t MaxPicturesViewerClosed = 1;
    static constexpr qint64 MaxBytes = qint64(256) << 20;
    static constexpr std::size_t MaxPreviewEntries = 8;
    static constexpr qint64 MaxPreviewBytes = qint64(32) << 20;

private:
    void trim();

    mutable std::mutex m_mutex;
    std::condition_variable m_decodedAhead;
    std::optional<FileIdentity> m_decodingAhead;
    std::thread::id m_aheadThread;
    bool m_wholeWanted = false;
    std::list<std::pair<FileIdentity, Entry>> m_entries; // most recent first
};

} // namespace lumisnap
