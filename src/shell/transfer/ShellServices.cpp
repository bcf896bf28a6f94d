#include "shell/transfer/ShellServices.h"

#include "shell/transfer/GioTrash.h"

#include <QClipboard>
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

std::shared_ptr<ShellClipboard> &currentClipboard()
{
    static std::shared_ptr<ShellClipboard> clipboard = std::make_shared<DesktopClipboard>();
    return clipboard;
}

std::shared_ptr<ShellTrash> &currentTrash()
{
    static std::shared_ptr<ShellTrash> trash = std::make_shared<GioTrash>();
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
    currentTrash() = trash ? std::move(trash) : std::make_shared<GioTrash>();
    return previous;
}

} // namespace lumisnap
