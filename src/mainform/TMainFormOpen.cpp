// Opening a path handed over from outside (the command line, a second start): the same
// steps as the user's clicks on the folder and then on the file.
#include "mainform/TMainForm.h"

#include "common/Error.h"
#include "common/FileName.h"
#include "controls/TImage.h"
#include "shell/controls/TPTShListData.h"
#include "shell/controls/TPTShellList.h"
#include "shell/controls/TPTShellTree.h"
#include "shell/namespace/ShellModel.h"
#include "skin/TfcLabel.h"

#include <QDir>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumisnap {

namespace {

[[noreturn]] void throwCannotOpen(const QString &path, int error)
{
    throw EFOpenError(
        QStringLiteral("Cannot open %1: %2")
            .arg(displayFileName(path), QString::fromLocal8Bit(std::strerror(error))));
}

// Whether the path is a folder; throws when it is missing or cannot be read, so that
// nothing on screen changes for a path that cannot be shown.
bool checkReadable(const QString &path)
{
    const QByteArray bytes = encodeFileName(path);
    struct stat status;
    if (::stat(bytes.constData(), &status) != 0)
        throwCannotOpen(path, errno);
    if (S_ISDIR(status.st_mode)) {
        DIR *dir = ::opendir(bytes.constData());
        if (!dir)
            throwCannotOpen(path, errno);
        ::closedir(dir);
        return true;
    }
    // Non-blocking, so that a fifo handed over never hangs the window.
    const int fd = ::open(bytes.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        throwCannotOpen(path, errno);
    ::close(fd);
    return false;
}

QString parentFolder(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

QString fileNameOf(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

} // namespace

void TMainForm::OpenPath(const QString &path)
{
    const QString clean = QDir::cleanPath(path);
    const bool isFolder = checkReadable(clean);
    const QString folder = isFolder ? clean : parentFolder(clean);
    const IdList target = shellModel().desktopFolder()->parseDisplayName(folder);
    if (target.isNull())
        throwCannotOpen(folder, ENOENT);

    // The folder as a click in the tree: the list follows at once, then the click.
    // A folder the tree already shows keeps its list, so its selection is dropped
    // to open it alike.
    DirectoryListBox1->setFocus();
    DirectoryListBox1->SelectFolder(target);
    PTShellList1->clearSelection();
    DirectoryListBox1Click();
    if (isFolder)
        return;

    // The file as a click in the list: its change, then its click. Rows are matched by
    // name: the tree may reach the folder by another spelling of its path.
    const QString name = fileNameOf(clean);
    for (int row = 0; row < PTShellList1->Count(); ++row) {
        TPTShListData *data = PTShellList1->ItemData(row);
        if (data && fileNameOf(data->Path()) == name) {
            PTShellList1->setFocus();
            PTShellList1->SelectItem(row);
            PTShellList1Click();
            return;
        }
    }
    showUnlistedFile(clean);
}

void TMainForm::showUnlistedFile(const QString &path)
{
    // The list's filter hides it (pic.jpeg): shown all the same when the loader reads
    // it, with its exact size and no place in the list.
    CurrentFile = path;
    PicImage->Picture().LoadFromFile(CurrentFile);
    NameLabel->setCaption(QStringLiteral("File Size - %1 Bytes").arg(fileBytes(CurrentFile)));
    PicLabel->setCaption(QString());
}

} // namespace lumisnap
