#include "app/SingleInstance.h"

#include "common/DesktopId.h"
#include "common/FileName.h"

#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace lumisnap {

namespace {

const QByteArray RequestMagic = QByteArrayLiteral("lumisnap-open-1");
// A path (at most PATH_MAX bytes) and a token fit many times over; anything longer is
// not a request.
constexpr qsizetype MaxRequestBytes = 64 * 1024;
constexpr int RequestTimeoutMs = 5000;
// How long a later start keeps trying while the first one is between its lock and its
// socket, or is just ending.
constexpr auto HandOverPatience = std::chrono::milliseconds(1000);
constexpr auto HandOverRetry = std::chrono::milliseconds(5);

// The display names the session: two logins of one user have different displays.
QString displayKey()
{
    QByteArray display = qgetenv("WAYLAND_DISPLAY");
    if (display.isEmpty())
        display = qgetenv("DISPLAY");
    if (display.isEmpty())
        return QStringLiteral("none");
    QString key;
    for (const char c : display) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')
            || (c >= '0' && c <= '9') || c == '.' || c == '-';
        key += plain ? QChar::fromLatin1(c) : QLatin1Char('_');
    }
    return key;
}

bool fillAddress(sockaddr_un &address, const QByteArray &path)
{
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || path.size() >= qsizetype(sizeof address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.constData(), path.size());
    return true;
}

bool sendAll(int fd, const QByteArray &bytes)
{
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.constData() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += n;
    }
    return true;
}

} // namespace

QString SingleInstance::socketPath()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.startsWith('/'))
        return {};
    return QStringLiteral("%1/%2-%3-%4.socket")
        .arg(decodeFileName(runtime), DesktopId, QString::number(::getuid()), displayKey());
}

SingleInstance::SingleInstance(QString socketPath)
    : m_socketPath(std::move(socketPath))
{
}

SingleInstance::~SingleInstance()
{
    m_listener.reset(); // before the descriptor it watches is closed
    if (m_listenFd >= 0)
        ::close(m_listenFd);
    if (m_lockFd >= 0) {
        // Still under the lock: the socket is this process's own.
        ::unlink(encodeFileName(m_socketPath).constData());
        ::close(m_lockFd);
    }
}

SingleInstance::Role SingleInstance::claim(const QString &path, const QByteArray &activationToken)
{
    sockaddr_un address;
    if (!fillAddress(address, encodeFileName(m_socketPath)))
        return Role::Alone;
    const QByteArray lockPath = encodeFileName(m_socketPath) + ".lock";
    m_lockFd = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (m_lockFd < 0)
        return Role::Alone;
    const QByteArray request = encodeRequest(path, activationToken);
    const auto deadline = std::chrono::steady_clock::now() + HandOverPatience;
    for (;;) {
        if (::flock(m_lockFd, LOCK_EX | LOCK_NB) == 0) {
            if (listenFirst())
                return Role::First;
            break;
        }
        if (handOver(request)) {
            ::close(std::exchange(m_lockFd, -1));
            return Role::HandedOver;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(HandOverRetry);
    }
    ::close(std::exchange(m_lockFd, -1));
    return Role::Alone;
}

bool SingleInstance::listenFirst()
{
    const QByteArray path = encodeFileName(m_socketPath);
    sockaddr_un address;
    fillAddress(address, path);
    // A socket left by a killed program: nobody holds the lock, so nobody listens.
    ::unlink(path.constData());
    m_listenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listenFd >= 0
        && ::bind(m_listenFd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0
        && ::chmod(path.constData(), 0600) == 0 && ::listen(m_listenFd, SOMAXCONN) == 0)
        return true;
    if (m_listenFd >= 0)
        ::close(std::exchange(m_listenFd, -1));
    return false;
}

bool SingleInstance::handOver(const QByteArray &request) const
{
    sockaddr_un address;
    fillAddress(address, encodeFileName(m_socketPath));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool sent = ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0
        && sendAll(fd, request);
    ::close(fd);
    return sent;
}

// Plain sockets and notifiers: the network module would cost the program more memory
// than everything this does.
void SingleInstance::serve()
{
    if (m_listenFd < 0 || m_listener)
        return;
    ::fcntl(m_listenFd, F_SETFL, ::fcntl(m_listenFd, F_GETFL) | O_NONBLOCK);
    m_listener = std::make_unique<QSocketNotifier>(m_listenFd, QSocketNotifier::Read);
    connect(m_listener.get(), &QSocketNotifier::activated, this, &SingleInstance::accept);
}

void SingleInstance::accept()
{
    for (;;) {
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0 && errno == EINTR)
            continue;
        if (fd < 0)
            return;
        auto request = std::make_shared<Request>();
        request->fd = fd;
        request->notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(request->notifier, &QSocketNotifier::activated, this,
            [this, request] { readRequest(*request); });
        // A start that never finishes its request does not hold on for ever.
        QTimer::singleShot(RequestTimeoutMs, request->notifier, [request] { finish(*request); });
    }
}

void SingleInstance::finish(Request &request)
{
    if (request.fd < 0)
        return;
    ::close(std::exchange(request.fd, -1));
    request.notifier->setEnabled(false);
    request.notifier->deleteLater();
}

void SingleInstance::readRequest(Request &request)
{
    bool ended = false;
    char buffer[4096];
    while (request.fd >= 0) {
        const ssize_t n = ::read(request.fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        if (n <= 0) {
            ended = true;
            break;
        }
        request.bytes.append(buffer, n);
        if (request.bytes.size() > MaxRequestBytes) {
            finish(request);
            return;
        }
    }
    if (!ended && request.bytes.count('\0') < 3)
        return;
    finish(request);
    QString path;
    QByteArray token;
    if (decodeRequest(request.bytes, &path, &token))
        emit openRequested(path, token);
}

QByteArray SingleInstance::encodeRequest(const QString &path, const QByteArray &activationToken)
{
    QByteArray bytes = RequestMagic;
    bytes += '\0';
    bytes += activationToken;
    bytes += '\0';
    bytes += encodeFileName(path);
    bytes += '\0';
    return bytes;
}

bool SingleInstance::decodeRequest(
    const QByteArray &bytes, QString *path, QByteArray *activationToken)
{
    const QList<QByteArray> fields = bytes.split('\0');
    if (fields.size() != 4 || fields[0] != RequestMagic || !fields[3].isEmpty())
        return false;
    if (!fields[2].isEmpty() && !fields[2].startsWith('/'))
        return false;
    *activationToken = fields[1];
    *path = decodeFileName(fields[2]);
    return true;
}

} // namespace lumisnap
