#include "shell/transfer/TransferEngine.h"

#include "common/Error.h"
#include "common/FileName.h"
#include "shell/transfer/TempEntry.h"
#include "shell/transfer/TransferCalls.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumisnap {

namespace {

// Small enough that a cancel is heard within a tenth of a second on a slow drive.
constexpr size_t CopyChunk = 256 << 10;
constexpr int MaxNameTries = 10000;
// A copy never gains set-user-ID or set-group-ID rights.
constexpr mode_t KeptModeBits = 01777;

// A failure met on the way; run() turns it into the outcome's one error text.
class TransferFailure : public Error
{
public:
    using Error::Error;
};

// The user cancelled: what was done stays, the partial copy goes.
class TransferCancelled
{
};

// A rename cannot cross file systems: the move copies instead.
class CrossDevice
{
};

QByteArray join(const QByteArray &folder, const QByteArray &name)
{
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

QByteArray baseName(const QByteArray &path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

QByteArray parentOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

QString shown(const QByteArray &path)
{
    return displayFileName(decodeFileName(path));
}

// strerror's buffer is shared between threads; this one is not.
QString errorText(int error)
{
    char buffer[256];
    return QString::fromLocal8Bit(::strerror_r(error, buffer, sizeof buffer));
}

[[noreturn]] void fail(const QString &what, const QByteArray &path, int error)
{
    throw TransferFailure(QStringLiteral("%1 \"%2\": %3").arg(what, shown(path), errorText(error)));
}

// Closes a descriptor on every way out.
class Fd
{
public:
    explicit Fd(int fd)
        : m_fd(fd)
    {
    }
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int get() const { return m_fd; }
    // Closing is where a full disk may show at last.
    int close()
    {
        const int result = ::close(m_fd);
        m_fd = -1;
        return result;
    }

private:
    int m_fd;
};

// The names in a folder but "." and ".."; false when it cannot be read.
bool listFolder(const QByteArray &path, std::vector<QByteArray> &names)
{
    DIR *dir = ::opendir(path.constData());
    if (!dir)
        return false;
    while (dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(dir);
    return true;
}

// A symbolic link to `target` under a free form of `name` in `folder`.
QByteArray linkUnderFreeName(
    const QByteArray &target, const QByteArray &folder, const QByteArray &name, const QString &what)
{
    for (int n = 1; n <= MaxNameTries; ++n) {
        const QByteArray path = join(folder, FileTransfer::candidateName(name, n, false));
        if (::symlink(target.constData(), path.constData()) == 0)
            return path;
        if (const int error = errno; error != EEXIST)
            fail(what, join(folder, name), error);
    }
    fail(QStringLiteral("No free name for"), join(folder, name), EEXIST);
}

// Whether `inner` is `outer` or lies below it, both resolved.
bool isWithin(const QByteArray &inner, const QByteArray &outer)
{
    char a[PATH_MAX], b[PATH_MAX];
    if (!::realpath(inner.constData(), a) || !::realpath(outer.constData(), b))
        return false;
    const QByteArray in(a), out(b);
    return in == out || in.startsWith(out.endsWith('/') ? out : out + '/');
}

// Opens without following a link and without waiting on a FIFO; the caller checks
// what it got. ELOOP: the source is a symbolic link.
int openSource(const QByteArray &path)
{
    return TransferCalls::current().open(
        path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0);
}

void syncFolder(const QByteArray &path)
{
    Fd dir(::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0 || TransferCalls::current().fsync(dir.get()) != 0)
        fail(QStringLiteral("Cannot write"), path, errno);
}

} // namespace

TransferEngine::TransferEngine(TransferProgress &progress)
    : m_progress(progress)
{
}

FileTransfer::WriteFunction &TransferEngine::writeFunction()
{
    static FileTransfer::WriteFunction write;
    return write;
}

FileTransfer::CancelCheck &TransferEngine::cancelCheck()
{
    static FileTransfer::CancelCheck check;
    return check;
}

FileTransfer::Outcome TransferEngine::run(
    const QStringList &sources, const QString &folder, Mode mode) noexcept
{
    m_outcome = {};
    try {
        const QByteArray target = encodeFileName(folder);
        std::vector<QByteArray> paths;
        for (const QString &source : sources)
            paths.push_back(encodeFileName(source));
        sizeSources(paths, target, mode);
        if (mode != Mode::Link)
            TempEntry::removeLeftovers(target);
        for (const QByteArray &path : paths)
            transferOne(path, target, mode);
    } catch (const TransferCancelled &) {
        m_outcome.cancelled = true;
    } catch (const Error &error) {
        m_outcome.error = error.message();
    } catch (const std::exception &error) {
        m_outcome.error = QString::fromLocal8Bit(error.what());
    } catch (...) {
        m_outcome.error = QStringLiteral("Cannot finish the transfer");
    }
    return std::move(m_outcome);
}

// Only what will be copied is counted: a move within one drive is a rename and walks nothing.
void TransferEngine::sizeSources(
    const std::vector<QByteArray> &sources, const QByteArray &folder, Mode mode)
{
    if (mode == Mode::Link)
        return;
    struct stat target, st;
    const bool targetKnown = ::stat(folder.constData(), &target) == 0;
    for (const QByteArray &source : sources) {
        if (mode == Mode::Move && targetKnown && ::lstat(source.constData(), &st) == 0
            && st.st_dev == target.st_dev)
            continue;
        m_progress.total += treeSize(source);
        m_sized.push_back(source);
    }
}

qint64 TransferEngine::treeSize(const QByteArray &path, const dev_t *device)
{
    checkCancel();
    struct stat st;
    // A drive mounted inside is not copied: its size does not count.
    if (::lstat(path.constData(), &st) != 0 || (device && st.st_dev != *device))
        return 0;
    if (!S_ISDIR(st.st_mode))
        return S_ISREG(st.st_mode) ? qint64(st.st_size) : 0;
    qint64 total = 0;
    std::vector<QByteArray> names;
    listFolder(path, names);
    for (const QByteArray &name : names)
        total += treeSize(join(path, name), &st.st_dev);
    return total;
}

void TransferEngine::transferOne(const QByteArray &source, const QByteArray &folder, Mode mode)
{
    checkCancel();
    struct stat st;
    if (::lstat(source.constData(), &st) != 0)
        fail(QStringLiteral("Cannot find"), source, errno);
    if (S_ISDIR(st.st_mode) && mode != Mode::Link && isWithin(folder, source))
        fail(QStringLiteral("Cannot put inside itself"), source, EINVAL);
    switch (mode) {
    case Mode::Link:
        m_outcome.placed << decodeFileName(linkInto(source, folder));
        break;
    case Mode::Move:
        moveOne(source, folder);
        break;
    case Mode::Copy:
        copyOne(source, folder, false);
        break;
    }
}

void TransferEngine::moveOne(const QByteArray &source, const QByteArray &folder)
{
    if (isWithin(parentOf(source), folder) && isWithin(folder, parentOf(source))) {
        m_outcome.placed << decodeFileName(source); // already there
        return;
    }
    struct stat st;
    if (::lstat(source.constData(), &st) != 0)
        fail(QStringLiteral("Cannot find"), source, errno);
    try {
        const QByteArray placed = place(source, folder, baseName(source), S_ISDIR(st.st_mode));
        syncFolder(folder);
        syncFolder(parentOf(source));
        m_outcome.placed << decodeFileName(placed);
    } catch (const CrossDevice &) {
        // The same device number yet another mount (a bind mount): sized only now.
        if (std::find(m_sized.begin(), m_sized.end(), source) == m_sized.end())
            m_progress.total += treeSize(source);
        copyOne(source, folder, true);
    }
}

void TransferEngine::copyOne(const QByteArray &source, const QByteArray &folder, bool removeAfter)
{
    m_copied.clear();
    Fd in(openSource(source));
    if (in.get() < 0 && errno == ELOOP) {
        const QByteArray placed = copyLink(source, folder);
        syncFolder(folder);
        m_outcome.placed << decodeFileName(placed);
        if (removeAfter)
            removeCopied(source);
        return;
    }
    if (in.get() < 0)
        fail(QStringLiteral("Cannot read"), source, errno);
    struct stat st;
    if (::fstat(in.get(), &st) != 0)
        fail(QStringLiteral("Cannot read"), source, errno);
    m_sourceDevice = st.st_dev;
    QByteArray pattern = join(folder, TempEntry::Prefix) + "XXXXXX";
    QByteArray placed;
    if (S_ISDIR(st.st_mode)) {
        in.close();
        if (!::mkdtemp(pattern.data()))
            fail(QStringLiteral("Cannot copy"), source, errno);
        TempEntry temp(pattern);
        copyFolder(source, st, temp.path());
        placed = place(temp.path(), folder, baseName(source), true);
        temp.release();
    } else if (S_ISREG(st.st_mode)) {
        Fd out(::mkostemp(pattern.data(), O_CLOEXEC));
        if (out.get() < 0)
            fail(QStringLiteral("Cannot copy"), source, errno);
        TempEntry temp(pattern);
        copyFile(in.get(), st, out.get(), source);
        if (out.close() != 0)
            fail(QStringLiteral("Cannot copy"), source, errno);
        m_copied.push_back({ source, st });
        placed = place(temp.path(), folder, baseName(source), false);
        temp.release();
    } else {
        fail(QStringLiteral("Cannot copy"), source, ENOTSUP);
    }
    // The new entry is on disk before anything reports success or removes a source.
    syncFolder(folder);
    m_outcome.placed << decodeFileName(placed);
    if (removeAfter)
        removeCopied(source);
}

QByteArray TransferEngine::copyLink(const QByteArray &source, const QByteArray &folder)
{
    struct stat st;
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink(source.constData(), buffer, sizeof buffer);
    if (length < 0 || ::lstat(source.constData(), &st) != 0)
        fail(QStringLiteral("Cannot read"), source, errno);
    m_copied.push_back({ source, st });
    return linkUnderFreeName(
        QByteArray(buffer, length), folder, baseName(source), QStringLiteral("Cannot copy"));
}

// Inside the temporary folder the entries take their real names: the folder itself is
// what stays hidden until it is complete. Its mode and times come last, so a read-only
// folder is filled first.
void TransferEngine::copyFolder(
    const QByteArray &source, const struct stat &st, const QByteArray &target)
{
    if (st.st_dev != m_sourceDevice)
        fail(QStringLiteral("Cannot copy the mounted drive"), source, EXDEV);
    std::vector<QByteArray> names;
    if (!listFolder(source, names))
        fail(QStringLiteral("Cannot read"), source, errno);
    for (const QByteArray &name : names) {
        copyEntry(join(source, name), join(target, name));
        checkCancel();
    }
    Fd dir(::open(target.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0)
        fail(QStringLiteral("Cannot copy"), source, errno);
    const timespec times[2] = { st.st_atim, st.st_mtim };
    if (::fchmod(dir.get(), st.st_mode & KeptModeBits) != 0 || ::futimens(dir.get(), times) != 0
        || TransferCalls::current().fsync(dir.get()) != 0)
        fail(QStringLiteral("Cannot copy"), source, errno);
    m_copied.push_back({ source, st });
}

void TransferEngine::copyEntry(const QByteArray &source, const QByteArray &target)
{
    Fd in(openSource(source));
    if (in.get() < 0 && errno == ELOOP) {
        struct stat st;
        char buffer[PATH_MAX];
        const ssize_t length = ::readlink(source.constData(), buffer, sizeof buffer);
        if (length < 0 || ::lstat(source.constData(), &st) != 0
            || ::symlink(QByteArray(buffer, length).constData(), target.constData()) != 0)
            fail(QStringLiteral("Cannot copy"), source, errno);
        m_copied.push_back({ source, st });
        return;
    }
    struct stat st;
    if (in.get() < 0 || ::fstat(in.get(), &st) != 0)
        fail(QStringLiteral("Cannot read"), source, errno);
    if (S_ISDIR(st.st_mode)) {
        in.close();
        if (::mkdir(target.constData(), 0700) != 0)
            fail(QStringLiteral("Cannot copy"), source, errno);
        copyFolder(source, st, target);
    } else if (S_ISREG(st.st_mode)) {
        Fd out(::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (out.get() < 0)
            fail(QStringLiteral("Cannot copy"), source, errno);
        copyFile(in.get(), st, out.get(), source);
        if (out.close() != 0)
            fail(QStringLiteral("Cannot copy"), source, errno);
        m_copied.push_back({ source, st });
    } else {
        fail(QStringLiteral("Cannot copy"), source, ENOTSUP);
    }
}

// The data, mode and times of an opened source, on disk when this returns.
void TransferEngine::copyFile(int in, const struct stat &st, int out, const QByteArray &source)
{
    // Opened without blocking (a FIFO swapped in must not hang), read as usual.
    ::fcntl(in, F_SETFL, ::fcntl(in, F_GETFL) & ~O_NONBLOCK);
    copyFileData(in, out, source);
    ::fchmod(out, st.st_mode & KeptModeBits);
    const timespec times[2] = { st.st_atim, st.st_mtim };
    ::futimens(out, times);
    if (TransferCalls::current().fsync(out) != 0)
        fail(QStringLiteral("Cannot copy"), source, errno);
}

void TransferEngine::copyFileData(int in, int out, const QByteArray &source)
{
    std::vector<char> buffer(CopyChunk);
    for (;;) {
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            fail(QStringLiteral("Cannot read"), source, errno);
        if (got == 0)
            return;
        for (ssize_t written = 0; written < got;) {
            const char *data = buffer.data() + written;
            const size_t size = size_t(got - written);
            const ssize_t n = writeFunction() ? writeFunction()(out, data, size)
                                              : TransferCalls::current().write(out, data, size);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                fail(QStringLiteral("Cannot copy"), source, n < 0 ? errno : ENOSPC);
            written += n;
        }
        advance(got);
    }
}

// Removes the moved source's entries that were copied and are still what was copied;
// folders only when empty, so whatever arrived meanwhile stays where it is.
void TransferEngine::removeCopied(const QByteArray &source)
{
    TransferCalls &calls = TransferCalls::current();
    QByteArray kept;
    bool stopped = false;
    for (const Copied &copied : m_copied) {
        // Stopping here is safe: every entry is in the target, some still in the source.
        if ((stopped = cancelRequested()))
            break;
        struct stat now;
        const bool same = ::lstat(copied.path.constData(), &now) == 0
            && now.st_dev == copied.st.st_dev && now.st_ino == copied.st.st_ino
            && (S_ISDIR(now.st_mode)
                || (now.st_size == copied.st.st_size
                    && now.st_mtim.tv_sec == copied.st.st_mtim.tv_sec
                    && now.st_mtim.tv_nsec == copied.st.st_mtim.tv_nsec));
        const bool removed = same
            && (S_ISDIR(now.st_mode) ? calls.rmdir(copied.path.constData())
                                     : calls.unlink(copied.path.constData()))
                == 0;
        if (!removed && kept.isEmpty())
            kept = copied.path;
    }
    m_copied.clear();
    syncFolder(parentOf(source));
    if (stopped)
        throw TransferCancelled();
    if (!kept.isEmpty())
        throw TransferFailure(QStringLiteral(
            "Copied \"%1\", but kept \"%2\" where it was: it changed during the move")
                                  .arg(shown(source), shown(kept)));
}

// Renames `from` to a free name in `folder`; the name it took. Never replaces an entry.
QByteArray TransferEngine::place(
    const QByteArray &from, const QByteArray &folder, const QByteArray &name, bool isDirectory)
{
    TransferCalls &calls = TransferCalls::current();
    bool noReplace = true;
    for (int n = 1; n <= MaxNameTries; ++n) {
        const QByteArray target = join(folder, FileTransfer::candidateName(name, n, isDirectory));
        if (noReplace) {
            if (calls.rename(from.constData(), target.constData(), RENAME_NOREPLACE) == 0)
                return target;
            if (errno == EEXIST)
                continue;
            if (errno == EXDEV)
                throw CrossDevice();
            if (const int error = errno; error != EINVAL && error != ENOSYS)
                fail(QStringLiteral("Cannot put"), join(folder, name), error);
            noReplace = false; // a file system without the no-replace rename
        }
        if (placeWithoutNoReplace(from, target, join(folder, name), isDirectory))
            return target;
    }
    fail(QStringLiteral("No free name for"), join(folder, name), EEXIST);
}

// A hard link cannot replace; without hard links the name is taken first (an exclusive
// create, or a new empty folder) and the rename then replaces only that. False: name taken.
bool TransferEngine::placeWithoutNoReplace(
    const QByteArray &from, const QByteArray &target, const QByteArray &shownName, bool isDirectory)
{
    TransferCalls &calls = TransferCalls::current();
    if (!isDirectory) {
        if (calls.link(from.constData(), target.constData()) == 0) {
            calls.unlink(from.constData());
            return true;
        }
        if (errno == EEXIST)
            return false;
        if (errno == EXDEV)
            throw CrossDevice();
        if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS && errno != EMLINK)
            fail(QStringLiteral("Cannot put"), shownName, errno);
        const int reserved
            = ::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (reserved < 0 && errno == EEXIST)
            return false;
        if (reserved < 0)
            fail(QStringLiteral("Cannot put"), shownName, errno);
        ::close(reserved);
    } else if (::mkdir(target.constData(), 0700) != 0) {
        if (errno == EEXIST)
            return false;
        fail(QStringLiteral("Cannot put"), shownName, errno);
    }
    if (calls.rename(from.constData(), target.constData(), 0) == 0)
        return true;
    const int error = errno;
    // Only the empty entry taken above goes; a folder that gained an entry meanwhile stays.
    if (isDirectory)
        ::rmdir(target.constData());
    else
        ::unlink(target.constData());
    if (error == EXDEV)
        throw CrossDevice();
    if (error == ENOTEMPTY || error == EEXIST)
        return false;
    fail(QStringLiteral("Cannot put"), shownName, error);
}

QByteArray TransferEngine::linkInto(const QByteArray &source, const QByteArray &folder)
{
    char resolved[PATH_MAX];
    const QByteArray target = ::realpath(parentOf(source).constData(), resolved)
        ? join(QByteArray(resolved), baseName(source))
        : source;
    return linkUnderFreeName(target, folder, baseName(source), QStringLiteral("Cannot link"));
}

void TransferEngine::advance(qint64 bytes)
{
    m_progress.done += bytes;
    checkCancel();
}

bool TransferEngine::cancelRequested()
{
    const FileTransfer::CancelCheck &check = cancelCheck();
    return m_progress.cancel || (check && check());
}

void TransferEngine::checkCancel()
{
    if (cancelRequested())
        throw TransferCancelled();
}

bool removeTree(const QByteArray &path)
{
    struct stat st;
    if (::lstat(path.constData(), &st) != 0)
        return errno == ENOENT;
    if (!S_ISDIR(st.st_mode))
        return ::unlink(path.constData()) == 0;
    bool ok = true;
    std::vector<QByteArray> names;
    listFolder(path, names);
    for (const QByteArray &name : names)
        ok = removeTree(join(path, name)) && ok;
    return ::rmdir(path.constData()) == 0 && ok;
}

} // namespace lumisnap
