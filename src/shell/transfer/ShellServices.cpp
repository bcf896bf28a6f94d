#include "shell/transfer/ShellServices.h"

#include "common/FileName.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>

namespace lumisnap {

namespace {

class DesktopClipboard : public ShellClipboard
{
public:
    const QMimeData *mimeData() override { return QGuiApplication::clipboard()->mimeData(); }
    void setMimeData(std::unique_ptr<QMimeData> data) override
    {
        QGuiApplication::clipboard()->setMimeData(data.release()); // the clipboard owns it
    }
    void clear() override { QGuiApplication::clipboard()->clear(); }
};

class DesktopTrash : public ShellTrash
{
public:
    bool moveToTrash(const QString &losslessPath, QString &reason) override
    {
        // Qt names files by their decoded text: a name that is not UTF-8 would reach the
        // trash under another name, so it is refused instead.
        const QByteArray bytes = encodeFileName(losslessPath);
        const QString name = QFile::decodeName(bytes);
        if (QFile::encodeName(name) != bytes) {
            reason = QStringLiteral("the name cannot be kept in the trash");
            return false;
        }
        QFile file(name);
        if (file.moveToTrash())
            return true;
        reason = file.errorString();
        return false;
    }
};

std::shared_ptr<ShellClipboard> &currentClipboard()
{
    static std::shared_ptr<ShellClipboard> clipboard = std::make_shared<DesktopClipboard>();
    return clipboard;
}

std::shared_ptr<ShellTrash> &currentTrash()
{
    static std::shared_ptr<ShellTrash> trash = std::make_shared<DesktopTrash>();
    return trash;
}

} // namespace

ShellClipboard &shellClipboard()
{
    return *currentClipboard();
}

std::shared_ptr<ShellClipboard> setShellClipboard(std::shared_ptr<ShellClipboard> clipboard)
{
    auto previous = currentClipboard();
    currentClipboard() = clipboard ? std::move(clipboard) : std::make_shared<DesktopClipboard>();
    return previous;
}

ShellTrash &shellTrash()
{
    return *currentTrash();
}

std::shared_ptr<ShellTrash> setShellTrash(std::shared_ptr<ShellTrash> trash)
{
    auto previous = currentTrash();
    currentTrash() = trash ? std::move(trash) : std::make_shared<DesktopTrash>();
    return previous;
}

} // namespace lumisnap
