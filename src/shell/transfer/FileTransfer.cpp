#include "shell/transfer/FileTransfer.h"

#include "common/Error.h"
#include "common/FileName.h"

#include <QApplication>
#include <QProgressDialog>
#include <QWidget>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumisnap {

namespace {

constexpr size_t CopyChunk = 1 << 20;
constexpr int MaxNameTries = 10000;
constexpr int ProgressDelayMs = 500; // a quick transfer shows no dialog at all
constexpr int ProgressSteps = 1000;
constexpr char TempPattern[] = "/.lumisnap-part-XXXXXX";

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

FileTransfer::WriteFunction &writeFunction()
{
    static FileTransfer::WriteFunction write;
    return write;
}

FileTransfer::CancelCheck &cancelCheck()
{
    static FileTransfer::CancelCheck check;
    return check;
}

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

[[noreturn]] void fail(const QString &what, const QByteArray &path, int error)
{
    throw TransferFailure(
        QStringLiteral("%1 \"%2\": %3")
            .arg(what, shown(path), QString::fromLocal8Bit(std::strerror(error))));
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

// The temporary entry of a copy: removed unless it was renamed into place.
class TempEntry
{
public:
    explicit TempEntry(QByteArray path)
        : m_path(std::move(path))
    {
    }
    ~TempEntry()
    {
        if (!m_path.isEmpty())
            removeTree(m_path);
    }
    TempEntry(const TempEntry &) = delete;
    TempEntry &operator=(const TempEntry &) = delete;
    const QByteArray &path() const { return m_path; }
    void release() { m_path.clear(); }

private:
    QByteArray m_path;
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

qint64 treeSize(const QByteArray &path)
{
    struct stat st;
    if (::lstat(path.constData(), &st) != 0)
        return 0;
    if (!S_ISDIR(st.st_mode))
        return S_ISREG(st.st_mode) ? qint64(st.st_size) : 0;
    qint64 total = 0;
    std::vector<QByteArray> names;
    listFolder(path, names);
    for (const QByteArray &name : names)
        total += treeSize(join(path, name));
    return total;
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

void copyAttributes(int fd, const struct stat &st)
{
    ::fchmod(fd, st.st_mode & 07777);
    const timespec times[2] = { st.st_atim, st.st_mtim };
    ::futimens(fd, times);
}

} // namespace

FileTransfer::WriteFunction FileTransfer::setWriteFunction(WriteFunction write)
{
    return std::exchange(writeFunction(), std::move(write));
}

FileTransfer::CancelCheck FileTransfer::setCancelCheck(CancelCheck check)
{
    return std::exchange(cancelCheck(), std::move(check));
}

FileTransfer::FileTransfer(QWidget *owner)
    : m_owner(owner)
{
}

FileTransfer::~FileTransfer() = default;

QByteArray FileTransfer::candidateName(const QByteArray &name, int n, bool isDirectory)
{
    if (n <= 1)
        return name;
    const QByteArray number = " (" + QByteArray::number(n) + ")";
    const qsizetype dot = isDirectory ? -1 : name.lastIndexOf('.');
    if (dot <= 0)
        return name + number;
    return name.left(dot) + number + name.mid(dot);
}

FileTransfer::Outcome FileTransfer::run(
    const QStringList &sources, const QString &folder, Mode mode)
{
    m_outcome = {};
    const QByteArray target = encodeFileName(folder);
    m_total = 0;
    m_done = 0;
    if (mode != Mode::Link)
        for (const QString &source : sources)
            m_total += treeSize(encodeFileName(source));
    try {
        for (const QString &source : sources)
            transferOne(encodeFileName(source), target, mode);
    } catch (const TransferCancelled &) {
        m_outcome.cancelled = true;
    } catch (const Error &error) {
        m_outcome.error = error.message();
    } catch (const std::exception &error) {
        m_outcome.error = QString::fromLocal8Bit(error.what());
    }
    m_progress.reset();
    return std::move(m_outcome);
}

void FileTransfer::transferOne(const QByteArray &source, const QByteArray &folder, Mode mode)
{
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

void FileTransfer::moveOne(const QByteArray &source, const QByteArray &folder)
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
        m_outcome.placed << decodeFileName(placed);
        advance(treeSize(placed));
    } catch (const CrossDevice &) {
        copyOne(source, folder, true);
    }
}

void FileTransfer::copyOne(const QByteArray &source, const QByteArray &folder, bool removeAfter)
{
    struct stat st;
    if (::lstat(source.constData(), &st) != 0)
        fail(QStringLiteral("Cannot find"), source, errno);
    QByteArray pattern = folder + TempPattern;
    QByteArray placed;
    if (S_ISLNK(st.st_mode)) {
        char buffer[PATH_MAX];
        const ssize_t length = ::readlink(source.constData(), buffer, sizeof buffer);
        if (length < 0)
            fail(QStringLiteral("Cannot read"), source, errno);
        placed = linkUnderFreeName(
            QByteArray(buffer, length), folder, baseName(source), QStringLiteral("Cannot copy"));
    } else if (S_ISDIR(st.st_mode)) {
        if (!::mkdtemp(pattern.data()))
            fail(QStringLiteral("Cannot copy"), source, errno);
        TempEntry temp(pattern);
        copyTree(source, temp.path(), true);
        placed = place(temp.path(), folder, baseName(source), true);
        temp.release();
    } else if (S_ISREG(st.st_mode)) {
        Fd out(::mkostemp(pattern.data(), O_CLOEXEC));
        if (out.get() < 0)
            fail(QStringLiteral("Cannot copy"), source, errno);
        TempEntry temp(pattern);
        Fd in(::open(source.constData(), O_RDONLY | O_CLOEXEC));
        if (in.get() < 0)
            fail(QStringLiteral("Cannot read"), source, errno);
        copyFileData(in.get(), out.get(), source);
        copyAttributes(out.get(), st);
        if (out.close() != 0)
            fail(QStringLiteral("Cannot copy"), source, errno);
        placed = place(temp.path(), folder, baseName(source), false);
        temp.release();
    } else {
        fail(QStringLiteral("Cannot copy"), source, ENOTSUP);
    }
    m_outcome.placed << decodeFileName(placed);
    if (removeAfter && !removeTree(source))
        fail(QStringLiteral("Copied, but cannot remove"), source, errno);
}

// Inside the temporary folder the entries take their real names: the folder itself is
// what stays hidden until it is complete.
void FileTransfer::copyTree(const QByteArray &source, const QByteArray &target, bool top)
{
    struct stat st;
    if (::lstat(source.constData(), &st) != 0)
        fail(QStringLiteral("Cannot find"), source, errno);
    if (S_ISDIR(st.st_mode)) {
        if (!top && ::mkdir(target.constData(), 0700) != 0)
            fail(QStringLiteral("Cannot copy"), source, errno);
        std::vector<QByteArray> names;
        if (!listFolder(source, names))
            fail(QStringLiteral("Cannot read"), source, errno);
        for (const QByteArray &name : names)
            copyTree(join(source, name), join(target, name), false);
        ::chmod(target.constData(), st.st_mode & 07777);
    } else if (S_ISLNK(st.st_mode)) {
        char buffer[PATH_MAX];
        const ssize_t length = ::readlink(source.constData(), buffer, sizeof buffer);
        if (length < 0
            || ::symlink(QByteArray(buffer, length).constData(), target.constData()) != 0)
            fail(QStringLiteral("Cannot copy"), source, errno);
    } else if (S_ISREG(st.st_mode)) {
        Fd in(::open(source.constData(), O_RDONLY | O_CLOEXEC));
        if (in.get() < 0)
            fail(QStringLiteral("Cannot read"), source, errno);
        Fd out(::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (out.get() < 0)
            fail(QStringLiteral("Cannot copy"), source, errno);
        copyFileData(in.get(), out.get(), source);
        copyAttributes(out.get(), st);
        if (out.close() != 0)
            fail(QStringLiteral("Cannot copy"), source, errno);
    } else {
        fail(QStringLiteral("Cannot copy"), source, ENOTSUP);
    }
}

void FileTransfer::copyFileData(int in, int out, const QByteArray &source)
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
            const ssize_t n
                = writeFunction() ? writeFunction()(out, data, size) : ::write(out, data, size);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                fail(QStringLiteral("Cannot copy"), source, n < 0 ? errno : ENOSPC);
            written += n;
        }
        advance(got);
    }
}

// Renames `from` to a free name in `folder`; the name it took.
QByteArray FileTransfer::place(
    const QByteArray &from, const QByteArray &folder, const QByteArray &name, bool isDirectory)
{
    for (int n = 1; n <= MaxNameTries; ++n) {
        const QByteArray target = join(folder, candidateName(name, n, isDirectory));
        if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE)
            == 0)
            return target;
        if (errno == EEXIST)
            continue;
        if (errno == EXDEV)
            throw CrossDevice();
        if (const int error = errno; error != EINVAL && error != ENOSYS)
            fail(QStringLiteral("Cannot put"), join(folder, name), error);
        // A file system without the no-replace rename: a hard link cannot replace either.
        struct stat st;
        if (!isDirectory && ::link(from.constData(), target.constData()) == 0) {
            ::unlink(from.constData());
            return target;
        }
        if (!isDirectory && errno == EXDEV)
            throw CrossDevice();
        if (const int error = errno; !isDirectory && error != EEXIST)
            fail(QStringLiteral("Cannot put"), join(folder, name), error);
        if (isDirectory && ::lstat(target.constData(), &st) != 0
            && ::rename(from.constData(), target.constData()) == 0)
            return target;
    }
    fail(QStringLiteral("No free name for"), join(folder, name), EEXIST);
}

QByteArray FileTransfer::linkInto(const QByteArray &source, const QByteArray &folder)
{
    char resolved[PATH_MAX];
    const QByteArray target = ::realpath(parentOf(source).constData(), resolved)
        ? join(QByteArray(resolved), baseName(source))
        : source;
    return linkUnderFreeName(target, folder, baseName(source), QStringLiteral("Cannot link"));
}

void FileTransfer::advance(qint64 bytes)
{
    m_done += bytes;
    if (cancelled())
        throw TransferCancelled();
    // No dialog without a widget application (a tool, a test without one).
    if (m_total <= 0 || !qobject_cast<QApplication *>(QCoreApplication::instance()))
        return;
    if (!m_progress) {
        m_progress = std::make_unique<QProgressDialog>(QStringLiteral("Copying files..."),
            QStringLiteral("Cancel"), 0, ProgressSteps, m_owner);
        m_progress->setWindowModality(Qt::WindowModal);
        m_progress->setMinimumDuration(ProgressDelayMs);
        m_progress->setAutoClose(false);
        m_progress->setAutoReset(false);
    }
    m_progress->setValue(int(qMin<qint64>(ProgressSteps - 1, m_done * ProgressSteps / m_total)));
    if (cancelled())
        throw TransferCancelled();
}

bool FileTransfer::cancelled()
{
    if (cancelCheck())
        return cancelCheck()();
    return m_progress && m_progress->wasCanceled();
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
