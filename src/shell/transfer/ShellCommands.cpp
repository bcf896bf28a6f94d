#include "shell/transfer/ShellCommands.h"

#include "common/Error.h"
#include "common/ErrorReport.h"
#include "common/FileName.h"
#include "shell/namespace/ShellModel.h"
#include "shell/transfer/ShellOpen.h"
#include "shell/transfer/ShellServices.h"

#include <QDir>
#include <QMenu>
#include <QMimeData>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace lumisnap {

namespace {

constexpr std::uint32_t CommandMask
    = SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANDELETE | SFGAO_CANRENAME | SFGAO_FOLDER;

FileTransfer::Mode modeOf(std::uint32_t effect)
{
    if (effect & DROPEFFECT_MOVE)
        return FileTransfer::Mode::Move;
    return (effect & DROPEFFECT_LINK) ? FileTransfer::Mode::Link : FileTransfer::Mode::Copy;
}

void openPaths(const QStringList &paths)
{
    for (const QString &path : paths)
        shellOpen().open(path, QString(), QString());
}

void trashPaths(const QStringList &paths)
{
    QString failure;
    int failed = 0;
    for (const QString &path : paths) {
        QString reason;
        if (shellTrash().moveToTrash(path, reason))
            continue;
        if (failed++ == 0)
            failure = QStringLiteral("Cannot move \"%1\" to the trash: %2")
                          .arg(displayFileName(path), reason);
    }
    if (failed > 1)
        failure += QStringLiteral(" (and %1 more)").arg(failed - 1);
    if (failed > 0)
        throw Error(failure);
}

void keepOnClipboard(const QStringList &paths)
{
    ShellItems rest;
    rest.parent = IdList::empty();
    rest.paths = paths;
    shellClipboard().setMimeData(makeShellMimeData(rest, QStringLiteral("cut")));
}

} // namespace

ShellCommands::ShellCommands(ShellFolderPtr folder, IdList folderIdList, std::vector<IdList> items)
    : m_folder(std::move(folder))
{
    m_items.parent = std::move(folderIdList);
    m_items.items = std::move(items);
    for (const IdList &item : m_items.items)
        m_items.paths << GetDisplayNameOf(m_folder.get(), item, SHGDN_FORPARSING);
    if (m_folder && !m_items.items.empty())
        m_attributes = m_folder->attributesOf(m_items.items, CommandMask).value_or(0);
}

std::vector<ShellCommands::Command> ShellCommands::commands(bool canRename) const
{
    const bool any = !m_items.items.empty();
    const auto has = [&](std::uint32_t bit) { return any && (m_attributes & bit) != 0; };
    const DroppedFiles pasted = readDroppedFiles(shellClipboard().mimeData());
    std::vector<Command> list;
    if (any)
        list.push_back({ Open, QStringLiteral("Open"), QStringLiteral("open"),
            QStringLiteral("Opens the selected items."), true });
    if (any) {
        list.push_back({ Cut, QStringLiteral("Cut"), QStringLiteral("cut"),
            QStringLiteral("Moves the selected items to the clipboard."), has(SFGAO_CANMOVE) });
        list.push_back({ Copy, QStringLiteral("Copy"), QStringLiteral("copy"),
            QStringLiteral("Copies the selected items to the clipboard."), has(SFGAO_CANCOPY) });
    }
    list.push_back({ Paste, QStringLiteral("Paste"), QStringLiteral("paste"),
        QStringLiteral("Puts the clipboard's files into this folder."),
        !pasted.paths.isEmpty() && !pasteFolder().isEmpty() });
    if (any)
        list.push_back({ Delete, QStringLiteral("Delete"), QStringLiteral("delete"),
            QStringLiteral("Moves the selected items to the trash."), has(SFGAO_CANDELETE) });
    if (any && canRename)
        list.push_back({ Rename, QStringLiteral("Rename"), QStringLiteral("rename"),
            QStringLiteral("Gives the item a new name."), has(SFGAO_CANRENAME) });
    return list;
}

void ShellCommands::fillMenu(QMenu &menu, bool canRename) const
{
    const std::vector<Command> list = commands(canRename);
    for (size_t i = 0; i < list.size(); ++i) {
        const Command &command = list[i];
        if (command.offset == Delete || command.offset == Rename || command.offset == Cut)
            if (!menu.actions().isEmpty() && !menu.actions().last()->isSeparator())
                menu.addSeparator();
        QAction *action = menu.addAction(command.text);
        action->setData(FirstId + command.offset);
        action->setEnabled(command.enabled);
        action->setStatusTip(command.hint);
        if (i == 0 && !m_items.items.empty())
            menu.setDefaultAction(action);
    }
    if (m_items.items.empty())
        return;
    QMenu *sendTo = menu.addMenu(QStringLiteral("Send To"));
    const std::vector<SendToEntry> entries = sendToEntries();
    int id = SendToFirstId;
    for (const SendToEntry &entry : entries) {
        QAction *action = sendTo->addAction(entry.icon, displayFileName(entry.name));
        action->setData(id++);
        action->setStatusTip(
            QStringLiteral("Copies the selected items to %1.").arg(displayFileName(entry.path)));
    }
    if (entries.empty())
        sendTo->addAction(QStringLiteral("(empty)"))->setEnabled(false);
}

QString ShellCommands::pasteFolder() const
{
    if (m_items.items.size() == 1 && (m_attributes & SFGAO_FOLDER))
        return m_items.paths.value(0);
    return shellModel().pathText(m_items.parent);
}

void ShellCommands::invoke(int offset, QWidget *owner) const
{
    switch (offset) {
    case Open:
        openPaths(m_items.paths);
        break;
    case Cut:
    case Copy:
        if (!m_items.items.empty())
            shellClipboard().setMimeData(makeShellMimeData(
                m_items, offset == Cut ? QStringLiteral("cut") : QStringLiteral("copy")));
        break;
    case Paste: {
        const DroppedFiles files = readDroppedFiles(shellClipboard().mimeData());
        const QString folder = pasteFolder();
        if (files.paths.isEmpty() || folder.isEmpty())
            break;
        const std::uint32_t wanted = files.cut ? DROPEFFECT_MOVE : DROPEFFECT_COPY;
        qsizetype finished = 0;
        if (dropFilesInto(folder, files, wanted, owner, &finished) == DROPEFFECT_MOVE)
            shellClipboard().clear(); // what was cut has gone from where it was
        else if (files.cut && finished > 0)
            keepOnClipboard(files.paths.mid(finished)); // a second paste moves the rest
        break;
    }
    case Delete:
        trashPaths(m_items.paths);
        break;
    default:
        break;
    }
}

bool ShellCommands::runVerb(const QString &verb, QWidget *owner) const
{
    for (const Command &command : commands(true)) {
        if (command.verb.compare(verb, Qt::CaseInsensitive) != 0)
            continue;
        if (command.enabled)
            invoke(command.offset, owner);
        return true;
    }
    return false;
}

void ShellCommands::sendTo(int id, QWidget *owner) const
{
    const std::vector<SendToEntry> entries = sendToEntries();
    const int index = id - SendToFirstId;
    if (index < 0 || index >= int(entries.size()) || m_items.paths.isEmpty())
        return;
    DroppedFiles files;
    files.paths = m_items.paths;
    files.allowedEffects = allowedEffectsOf(m_items);
    dropFilesInto(entries[size_t(index)].path, files, DROPEFFECT_COPY, owner);
}

void ShellCommands::runMenuId(int id, QWidget *owner) const
{
    if (id >= FirstId)
        invoke(id - FirstId, owner);
    else if (id >= SendToFirstId && id <= SendToLastId)
        sendTo(id, owner);
}

int ShellCommands::popUp(QWidget *parent, QPoint globalPos, bool canRename,
    const std::function<void(const QString &)> &hint) const
{
    QMenu menu(parent);
    fillMenu(menu, canRename);
    QObject::connect(&menu, &QMenu::hovered, parent,
        [&hint](QAction *action) { runHandler([&] { hint(action->statusTip()); }); });
    const QAction *chosen = menu.exec(globalPos);
    return chosen ? chosen->data().toInt() : 0;
}

std::vector<ShellCommands::SendToEntry> ShellCommands::sendToEntries()
{
    const QString path = shellModel().pathText(shellModel().specialFolderLocation(CSIDL_SENDTO));
    std::vector<SendToEntry> entries;
    if (path.isEmpty())
        return entries;
    const QDir dir(path);
    const ShellFolderPtr desktop = shellModel().desktopFolder();
    for (const QFileInfo &info : dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot))
        entries.push_back({ info.fileName(), info.filePath(),
            desktop ? shellModel().icon(desktop->parseDisplayName(info.filePath())) : QIcon() });
    const QCollator collator = fileNameCollator();
    std::sort(entries.begin(), entries.end(), [&](const SendToEntry &a, const SendToEntry &b) {
        return collator.compare(a.name, b.name) < 0;
    });
    if (entries.size() > size_t(SendToLastId))
        entries.resize(size_t(SendToLastId));
    return entries;
}

std::uint32_t dropFilesInto(const QString &folder, const DroppedFiles &files, std::uint32_t effect,
    QWidget *owner, qsizetype *finished)
{
    effect &= files.allowedEffects;
    if (!files.refused.isEmpty() && effect != DROPEFFECT_NONE) {
        reportError(files.refused);
        return DROPEFFECT_NONE;
    }
    if (effect == DROPEFFECT_NONE || files.paths.isEmpty() || folder.isEmpty())
        return DROPEFFECT_NONE;
    // A folder that takes nothing is named itself, not the first file that failed in it.
    if (::access(encodeFileName(folder).constData(), W_OK | X_OK) != 0
        && (errno == EACCES || errno == EROFS || errno == EPERM)) {
        const QString verb = (effect & DROPEFFECT_MOVE) ? QStringLiteral("move")
            : (effect & DROPEFFECT_LINK)                ? QStringLiteral("link")
                                                        : QStringLiteral("copy");
        reportError(
            QStringLiteral("Cannot %1 into \"%2\": %3")
                .arg(verb, displayFileName(folder), QString::fromLocal8Bit(strerror(errno))));
        return DROPEFFECT_NONE;
    }
    FileTransfer transfer(owner);
    const FileTransfer::Outcome outcome = transfer.run(files.paths, folder, modeOf(effect));
    if (finished)
        *finished = outcome.placed.size();
    if (!outcome.error.isEmpty())
        reportError(outcome.error);
    return outcome.error.isEmpty() && !outcome.cancelled ? effect : DROPEFFECT_NONE;
}

bool isNetworkPath(const QString &path)
{
    return path.startsWith(QLatin1String("//"));
}

} // namespace lumisnap
