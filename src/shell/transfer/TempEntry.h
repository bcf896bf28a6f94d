#pragma once

#include <QByteArray>

namespace lumisnap {

// The hidden entry a copy is written to before it takes its real name. It is locked while
// its transfer lives, so that one left by a crash is told from one in use: the next
// transfer into the folder removes those nobody holds. Removed on destruction unless
// released once renamed into place.
class TempEntry
{
public:
    static constexpr char Prefix[] = ".lumisnap-part-";

    explicit TempEntry(QByteArray path);
    ~TempEntry();
    TempEntry(const TempEntry &) = delete;
    TempEntry &operator=(const TempEntry &) = delete;

    const QByteArray &path() const { return m_path; }
    void release();

    // Removes the entries of crashed transfers from `folder`.
    static void removeLeftovers(const QByteArray &folder);
    // Removes a partial copy, read-only folders in it too.
    static bool remove(const QByteArray &path);

private:
    QByteArray m_path;
    int m_lock = -1;
};

} // namespace lumisnap
