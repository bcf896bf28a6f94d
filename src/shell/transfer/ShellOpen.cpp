#include "shell/transfer/ShellOpen.h"

#include "common/FileName.h"

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
        QString path = file;
        if (!file.startsWith(QLatin1Char('/')))
            path = (folder.isEmpty() ? QDir::currentPath() : folder) + QLatin1Char('/') + file;
        return QDesktopServices::openUrl(fileUrlOf(path));
    }
};

std::shared_ptr<ShellOpen> &current()
{
    static std::shared_ptr<ShellOpen> opener = std::make_shared<DesktopShellOpen>();
    return opener;
}

} // namespace

QUrl fileUrlOf(const QString &losslessPath)
{
    const QByteArray bytes = encodeFileName(QDir::cleanPath(losslessPath));
    return QUrl::fromEncoded("file://" + bytes.toPercentEncoding("/"), QUrl::StrictMode);
}

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
