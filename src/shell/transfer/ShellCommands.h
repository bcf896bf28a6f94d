#pragma once

#include "shell/namespace/IdList.h"
#include "shell/namespace/ShellFolder.h"
#include "shell/transfer/FileTransfer.h"
#include "shell/transfer/ShellDataObject.h"

#include <QCursor>
#include <QGuiApplication>
#include <QIcon>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

class QMenu;
class QMimeData;
class QWidget;

namespace lumisnap {

// The longest new name a rename passes on.
constexpr int MaxNameLength = 260;

// The hourglass for as long as it lives.
struct WaitCursor
{
    WaitCursor() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

// The shell context menu of some items of one folder (none: the folder's background):
// Open, Cut, Copy, Paste, Delete and Rename, with ids counted from a first id, and the
// Send To entries.
class ShellCommands
{
public:
    static constexpr int FirstId = 50;
    static constexpr int LastId = 0x7FFF;
    static constexpr int SendToFirstId = 1;
    static constexpr int SendToLastId = 49;
    enum Offset : int { Open = 0, Cut = 1, Copy = 2, Paste = 3, Delete = 4, Rename = 18 };
    static constexpr int RenameId = FirstId + Rename;

    struct Command
    {
        int offset;
        QString text;
        QString verb;
        QString hint;
        bool enabled;
    };

    struct SendToEntry
    {
        QString name;
        QString path;
        QIcon icon;
    };

    ShellCommands(ShellFolderPtr folder, IdList folderIdList, std::vector<IdList> items);

    // The commands in menu order; Rename only with `canRename`. The first is the default.
    std::vector<Command> commands(bool canRename) const;
    // Fills a menu: each command's id is FirstId + its offset, Send To entries 1 to 49.
    void fillMenu(QMenu &menu, bool canRename) const;

    // Runs a command by offset or by its verb (letter case ignored). The verb's failure
    // is thrown; an unknown verb runs nothing and answers false.
    void invoke(int offset, QWidget *owner) const;
    bool runVerb(const QString &verb, QWidget *owner) const;
    // Copies the items into a Send To destination.
    void sendTo(int id, QWidget *owner) const;
    // Runs what a menu id stands for, but Rename: a command (FirstId on) or a Send To entry.
    void runMenuId(int id, QWidget *owner) const;
    // Shows the menu at `globalPos`, with each highlighted command's hint handed to `hint`;
    // the chosen id, 0 for none.
    int popUp(QWidget *parent, QPoint globalPos, bool canRename,
        const std::function<void(const QString &)> &hint) const;

    const ShellItems &items() const { return m_items; }

    // The destinations of the Send To folder: directories (or links to them), hidden
    // ones left out, sorted by name, at most SendToLastId.
    static std::vector<SendToEntry> sendToEntries();

private:
    QString pasteFolder() const;

    ShellFolderPtr m_folder;
    ShellItems m_items;
    std::uint32_t m_attributes = 0;
};

// Drops or pastes files into a folder: copies, moves or links them (by `effect`, one of
// the three, and only when the files allow it) and reports the first failure once. The
// effect that took place, DROPEFFECT_NONE on none. `finished`, when given, is how many of
// the files, from the first, were done before a failure or cancel.
std::uint32_t dropFilesInto(const QString &folder, const DroppedFiles &files, std::uint32_t effect,
    QWidget *owner, qsizetype *finished = nullptr);

// Runs a command and then the refresh, also when the command fails.
template <typename Command, typename Refresh>
void runThenRefresh(Command &&command, Refresh &&refresh)
{
    try {
        command();
    } catch (...) {
        refresh();
        throw;
    }
    refresh();
}

// Whether a folder path is a network one, whose change notification refreshes it.
bool isNetworkPath(const QString &path);

} // namespace lumisnap
