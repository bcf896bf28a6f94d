#pragma once

#include <QByteArray>
#include <QEvent>
#include <QObject>
#include <QString>

#include <memory>
#include <utility>
#include <vector>

class QSocketNotifier;

namespace lumisnap {

// A device change as the handler passes it on: the event code and its parameter.
struct TDeviceChangeMessage
{
    static constexpr int DeviceArrival = 0x8000;
    static constexpr int DeviceRemoveComplete = 0x8004;

    int code = 0;
    qintptr param = 0;

    // Media came or went: what the shell controls refresh for.
    bool arrivalOrRemoval() const { return code == DeviceArrival || code == DeviceRemoveComplete; }
};

// The one receiver of device changes in the process. It watches the mount table: a new
// mount is an arrival, a gone one a removal. Each change is posted to itself first, so
// nothing runs inside the notification, and then passed to every registered routine in
// order of registration, all on the user-interface thread.
class TPTDeviceChangeHandler : public QObject
{
    Q_OBJECT
public:
    static constexpr QEvent::Type DeviceChangeMessage = QEvent::Type(1124);

    using THandlerRoutine = void (*)(QObject *control, const TDeviceChangeMessage &message);

    // Made on first use; freed with the application object.
    static TPTDeviceChangeHandler &instance();
    // The handler if it exists (none before first use and after the application ends).
    static TPTDeviceChangeHandler *existing();
    ~TPTDeviceChangeHandler() override;

    void Register(THandlerRoutine handler, QObject *control);
    // Removes the first registration equal to both.
    void Unregister(THandlerRoutine handler, QObject *control);

    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled) { m_enabled = enabled; }

    // Reads the mount table again and reports what came and went. The system's notice
    // of a changed table calls it; tests call it after rewriting theirs.
    void MountTableChanged();
    // Watches another mount table (tests; empty: the process's own). What it holds now
    // counts as known: no change is reported for it.
    void SetMountInfoPath(const QString &path);

protected:
    void customEvent(QEvent *event) override;

private:
    class TDeviceChangeEvent;
    using Mount = std::pair<QByteArray, QByteArray>; // mount point, device

    TPTDeviceChangeHandler();

    std::vector<Mount> readMounts() const;
    void watchMountTable();
    void DeviceChange(int code, qintptr param);
    void Dispatch(const TDeviceChangeMessage &message);

    QString m_mountInfoPath;
    std::vector<Mount> m_mounts;
    std::unique_ptr<QSocketNotifier> m_notifier;
    int m_mountTableFd = -1;
    std::vector<std::pair<THandlerRoutine, QObject *>> m_registrations;
    bool m_enabled = true;
};

} // namespace lumisnap
