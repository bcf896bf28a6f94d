#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

class QSocketNotifier;

namespace lumisnap {

// One program per user and display. The first start holds a lock and listens on a
// socket in the user's runtime folder; a later start hands its path (and the desktop's
// activation token) over that socket and ends. The lock dies with its process, so a
// killed program never blocks the next start.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    enum class Role {
        First, // this process shows the window and serves later starts
        HandedOver, // a running program took the request
        Alone, // no runtime folder (or no way to reach the running one): run unshared
    };

    // The socket's path for this user and display; empty without XDG_RUNTIME_DIR.
    static QString socketPath();

    explicit SingleInstance(QString socketPath = SingleInstance::socketPath());
    ~SingleInstance() override;

    // Takes the lock or hands the request over. Needs no application object and takes
    // well under a millisecond when nothing else runs.
    Role claim(const QString &path, const QByteArray &activationToken);
    // Once the application object exists: accepts the requests of later starts.
    void serve();

    // The bytes of one request, and back (false for malformed ones).
    static QByteArray encodeRequest(const QString &path, const QByteArray &activationToken);
    static bool decodeRequest(const QByteArray &bytes, QString *path, QByteArray *activationToken);

signals:
    void openRequested(const QString &path, const QByteArray &activationToken);

private:
    // One later start's connection, until its request is whole or it gives up.
    struct Request
    {
        int fd = -1;
        QByteArray bytes;
        QSocketNotifier *notifier = nullptr; // child of this object
    };

    bool listenFirst();
    bool handOver(const QByteArray &request) const;
    void accept();
    void readRequest(Request &request);
    static void finish(Request &request);

    QString m_socketPath;
    int m_lockFd = -1;
    int m_listenFd = -1;
    std::unique_ptr<QSocketNotifier> m_listener;
};

} // namespace lumisnap
