#include "shell/watch/TPTDeviceChangeHandler.h"

#include "common/Error.h"
#include "common/ErrorReport.h"
#include "common/FileName.h"
#include "shell/namespace/DriveList.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

namespace lumisnap {

namespace {

std::unique_ptr<TPTDeviceChangeHandler> &theHandler()
{
    static std::unique_ptr<TPTDeviceChangeHandler> handler;
    return handler;
}

void freeHandler()
{
    theHandler().reset();
}

} // namespace

class TPTDeviceChangeHandler::TDeviceChangeEvent : public QEvent
{
public:
    explicit TDeviceChangeEvent(const TDeviceChangeMessage &message)
        : QEvent(DeviceChangeMessage)
        , m_message(message)
    {
    }
    const TDeviceChangeMessage &message() const { return m_message; }

private:
    TDeviceChangeMessage m_message;
};

TPTDeviceChangeHandler &TPTDeviceChangeHandler::instance()
{
    std::unique_ptr<TPTDeviceChangeHandler> &handler = theHandler();
    if (!handler) {
        handler.reset(new TPTDeviceChangeHandler);
        if (QCoreApplication::instance())
            qAddPostRoutine(freeHandler);
    }
    return *handler;
}

TPTDeviceChangeHandler *TPTDeviceChangeHandler::existing()
{
    return theHandler().get();
}

TPTDeviceChangeHandler::TPTDeviceChangeHandler()
{
    m_mounts = readMounts();
    watchMountTable();
}

TPTDeviceChangeHandler::~TPTDeviceChangeHandler()
{
    m_notifier.reset();
    if (m_mountTableFd >= 0)
        ::close(m_mountTableFd);
}

void TPTDeviceChangeHandler::Register(THandlerRoutine handler, QObject *control)
{
    m_registrations.emplace_back(handler, control);
}

void TPTDeviceChangeHandler::Unregister(THandlerRoutine handler, QObject *control)
{
    const auto found = std::find(m_registrations.begin(), m_registrations.end(),
        std::pair<THandlerRoutine, QObject *>(handler, control));
    if (found != m_registrations.end())
        m_registrations.erase(found);
}

void TPTDeviceChangeHandler::SetMountInfoPath(const QString &path)
{
    m_mountInfoPath = path;
    m_mounts = readMounts();
    watchMountTable();
}

std::vector<TPTDeviceChangeHandler::Mount> TPTDeviceChangeHandler::readMounts() const
{
    std::vector<Mount> mounts;
    for (const DriveInfo &drive :
        DriveList::parse(DriveList::readMountInfo(m_mountInfoPath), false))
        mounts.emplace_back(drive.mountPoint, drive.device);
    return mounts;
}

// The mount table reports a change as an exceptional condition on the open file.
void TPTDeviceChangeHandler::watchMountTable()
{
    m_notifier.reset();
    if (m_mountTableFd >= 0)
        ::close(m_mountTableFd);
    const QByteArray path = m_mountInfoPath.isEmpty() ? QByteArray("/proc/self/mountinfo")
                                                      : encodeFileName(m_mountInfoPath);
    m_mountTableFd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (m_mountTableFd < 0)
        return; // no device changes
    m_notifier = std::make_unique<QSocketNotifier>(m_mountTableFd, QSocketNotifier::Exception);
    connect(m_notifier.get(), &QSocketNotifier::activated, this,
        [this] { runHandler([this] { MountTableChanged(); }); });
}

void TPTDeviceChangeHandler::MountTableChanged()
{
    std::vector<Mount> now = readMounts();
    const auto missingFrom = [](const std::vector<Mount> &mounts, const Mount &mount) {
        return std::find(mounts.begin(), mounts.end(), mount) == mounts.end();
    };
    for (const Mount &mount : m_mounts)
        if (missingFrom(now, mount))
            DeviceChange(TDeviceChangeMessage::DeviceRemoveComplete, 0);
    for (const Mount &mount : now)
        if (missingFrom(m_mounts, mount))
            DeviceChange(TDeviceChangeMessage::DeviceArrival, 0);
    m_mounts = std::move(now);
}

// The notification itself does no work: it comes back as a message of our own.
void TPTDeviceChangeHandler::DeviceChange(int code, qintptr param)
{
    QCoreApplication::postEvent(this, new TDeviceChangeEvent({ code, param }));
}

void TPTDeviceChangeHandler::customEvent(QEvent *event)
{
    if (event->type() != DeviceChangeMessage)
        return;
    if (m_enabled)
        Dispatch(static_cast<TDeviceChangeEvent *>(event)->message());
}

// A routine's error is reported and the others still run; anything that is not an error
// ends the round.
void TPTDeviceChangeHandler::Dispatch(const TDeviceChangeMessage &message)
{
    const auto registrations = m_registrations; // a routine may register or unregister
    for (const auto &registration : registrations) {
        if (std::find(m_registrations.begin(), m_registrations.end(), registration)
            == m_registrations.end())
            continue; // gone meanwhile
        try {
            registration.first(registration.second, message);
        } catch (const std::exception &) {
            reportCurrentException();
        } catch (...) {
            reportCurrentException();
            return;
        }
    }
}

} // namespace lumisnap
