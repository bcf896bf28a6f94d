#pragma once

#include "shell/namespace/IdList.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QMimeData;

namespace lumisnap {

// The effects of a drop, as the attribute bits SFGAO_CANCOPY, CANMOVE and CANLINK give them.
enum : std::uint32_t {
    DROPEFFECT_NONE = 0,
    DROPEFFECT_COPY = 1,
    DROPEFFECT_MOVE = 2,
    DROPEFFECT_LINK = 4,
    DROPEFFECT_ALL = 7,
    DROPEFFECT_SCROLL = 0x80000000,
};

inline const QString IdListArrayMime = QStringLiteral("application/x-lumisnap-shell-idlist-array");
inline const QString UriListMime = QStringLiteral("text/uri-list");
inline const QString PlainTextMime = QStringLiteral("text/plain");
inline const QString CopiedFilesMime = QStringLiteral("x-special/gnome-copied-files");

// Shell items of one parent folder, as a drag or the clipboard carries them.
struct ShellItems
{
    IdList parent; // absolute
    std::vector<IdList> items; // relative to the parent
    QStringList paths; // lossless full paths, one per item
};

// The identifier-list array: a 32-bit count n, n + 1 32-bit offsets from the block's start
// (the parent first), the parent's absolute list, then each item's relative list.
QByteArray idListArrayBytes(const ShellItems &items);
// Reads an array from untrusted bytes; nullopt when any part is malformed.
std::optional<ShellItems> readIdListArray(const QByteArray &bytes);

// The drag and clipboard data of the items, its three blocks built once. With
// `clipboardVerb` ("copy" or "cut") it also carries the file managers' copied-files list.
std::unique_ptr<QMimeData> makeShellMimeData(
    const ShellItems &items, const QString &clipboardVerb = QString());

// What dropped or pasted data names: lossless local paths, the items' own allowed effects
// (all three when the data does not say), and whether it was cut. A name that cannot be
// made a clean full path is left out and named in `refused`; such data is not dropped.
// Plain text is never read as names: any text may be dragged.
struct DroppedFiles
{
    QStringList paths;
    QString refused;
    std::uint32_t allowedEffects = DROPEFFECT_ALL;
    bool cut = false;
};
DroppedFiles readDroppedFiles(const QMimeData *data);

// Effects the items allow, asked of their parent folder; all three when it cannot say.
std::uint32_t allowedEffectsOf(const ShellItems &items);

} // namespace lumisnap
