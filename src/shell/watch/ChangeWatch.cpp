#include "shell/watch/ChangeWatch.h"

#include "common/ErrorReport.h"
#include "common/FileName.h"

#include <QWidget>

#include <sys/stat.h>

namespace lumisnap {

ChangeWatch::ChangeWatch(QWidget *control, std::function<void(int ms)> restartWait)
    : m_control(control)
    , m_restartWait(std::move(restartWait))
{
}

ChangeWatch::~ChangeWatch() = default;

TChangeHandlerThread &ChangeWatch::thread()
{
    if (!m_thread)
        m_thread = std::make_unique<TChangeHandlerThread>(m_control, ShellChangeMessage);
    return *m_thread;
}

void ChangeWatch::removeAll()
{
    if (m_thread)
        m_thread->RemoveAll();
}

namespace {

std::optional<std::pair<dev_t, ino_t>> folderAt(const QString &path)
{
    struct stat status;
    if (path.isEmpty() || ::stat(encodeFileName(path).constData(), &status) != 0)
        return std::nullopt;
    return std::pair(status.st_dev, status.st_ino);
}

} // namespace

void ChangeWatch::noteWatched(const QString &path)
{
    m_watched = folderAt(path);
}

bool ChangeWatch::pathLeadsElsewhere(const QString &path) const
{
    const auto now = folderAt(path);
    return now && now != m_watched;
}

bool ChangeWatch::answer(QEvent *event)
{
    if (event->type() != ShellChangeMessage)
        return false;
    runHandler([this] { changeNotified(); });
    return true;
}

void ChangeWatch::changeNotified()
{
    if (m_thread)
        m_thread->MessageTaken();
    if (m_renameMark) {
        m_renameMark = false;
        return;
    }
    if (!m_dragging)
        m_restartWait(refreshDelay(m_control->hasFocus()));
}

} // namespace lumisnap
