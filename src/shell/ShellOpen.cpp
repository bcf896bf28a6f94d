#include "shell/ShellOpen.h"

#include <QDesktopServices>
#include <QDir>
#include <QUrl>

namespace lumisnap {

namespace {

class DesktopShellOpen : public ShellOpen
{
public:
    bool open(const QString &file, const QString &, const QString &folder) override
    {
        const QString path = QDir(folder).absoluteFilePath(file);
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    }
};

std::shared_ptr<ShellOpen> &current()
{
    static std::shared_ptr<ShellOpen> opener = std::make_shared<DesktopShellOpen>();
    return opener;
}

} // namespace

ShellOpen &shellOpen()
{
    return *current();
}

std::shared_ptr<ShellOpen> setShellOpen(std::shared_ptr<ShellOpen> opener)
{
    auto previous = current();
    current() = opener ? std::move(opener) : std::make_shared<DesktopShellOpen>();
    return previous;
}

} // namespace lumisnap
