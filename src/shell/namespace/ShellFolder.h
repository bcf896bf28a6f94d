#pragma once

#include "common/FileName.h"
#include "shell/namespace/IdList.h"
#include "shell/namespace/ShellTypes.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace lumisnap {

class ShellFolder;
using ShellFolderPtr = std::shared_ptr<ShellFolder>;

// Children of one folder, one relative list per call.
class IdListEnumerator
{
public:
    enum class Result { Ok, NoMore, Fail };

    virtual ~IdListEnumerator() = default;
    // Ok: `item` holds the next child's relative list (owned by the caller).
    // NoMore: the end. Fail: the folder could not be read further (stop quietly).
    virtual Result next(IdList &item) = 0;
};

// A folder of the shell namespace. Relative lists passed in must have come from
// this folder (or a descendant, for bindToObject); bad ones give failures, never
// crashes. Shared ownership stands in for reference counting.
class ShellFolder
{
public:
    virtual ~ShellFolder() = default;

    // Children with SHCONTF_ flags; null when the folder cannot be listed.
    virtual std::unique_ptr<IdListEnumerator> enumObjects(std::uint32_t flags) = 0;

    // The SFGAO_ bits common to all `children`, only within `mask`; nullopt on failure.
    // With no children only SFGAO_VALIDATE has an effect (refreshes cached drives).
    // SFGAO_HASSUBFOLDER counts the sub-folders an enumeration with `contentFlags` would
    // list: hidden ones only with SHCONTF_INCLUDEHIDDEN.
    virtual std::optional<std::uint32_t> attributesOf(
        std::span<const IdList> children, std::uint32_t mask, std::uint32_t contentFlags)
        = 0;
    std::optional<std::uint32_t> attributesOf(std::span<const IdList> children, std::uint32_t mask)
    {
        return attributesOf(children, mask, SHCONTF_FOLDERS);
    }
    std::optional<std::uint32_t> attributesOf(
        const IdList &child, std::uint32_t mask, std::uint32_t contentFlags = SHCONTF_FOLDERS)
    {
        return attributesOf(std::span<const IdList>(&child, 1), mask, contentFlags);
    }

    // The name of a relative list (empty on failure). NORMAL/INFOLDER: as shown;
    // FORPARSING: the full path in lossless form (see FileName.h), "::name" for
    // virtual items.
    virtual QString displayNameOf(const IdList &relative, ShellDisplayName kind) = 0;

    // Three-way order of two relative lists for a column (0 name, 1 size, 2 type,
    // 3 modified); nullopt when it cannot compare. Multi-item lists compare item by item.
    virtual std::optional<int> compareIDs(int column, const IdList &a, const IdList &b) = 0;

    // The folder of a descendant relative list; null on failure (an empty list gives
    // this folder itself).
    virtual ShellFolderPtr bindToObject(const IdList &relative) = 0;

    // Renames a child; its new relative list, or none on failure with the reason in `reason`
    // when given. `newName` may be an edit of the shown name: the parts the edit left
    // alone keep the bytes they stand for.
    virtual IdList setNameOf(
        const IdList &relative, const QString &newName, QString *reason = nullptr)
        = 0;

    // The raw bytes of the file-name part of a child's parsing name (the text after its
    // last "/"): what the file filter matches. The answer may share `relative`'s bytes, so
    // it is only good while `relative` lives.
    virtual QByteArray parsingFileName(const IdList &relative)
    {
        const QString parsing = displayNameOf(relative, SHGDN_FORPARSING);
        return encodeFileName(QStringView(parsing).sliced(parsing.lastIndexOf(u'/') + 1));
    }

    // Ranks that order `children` as compareIDs(column) does, made in one go for many:
    // ranks[i] < ranks[j] exactly when child i orders before child j, equal ranks for
    // equal children. False when the folder cannot, and callers compare pair by pair.
    virtual bool sortRanks(int column, std::span<const IdList> children, std::vector<int> &ranks)
    {
        Q_UNUSED(column);
        Q_UNUSED(children);
        Q_UNUSED(ranks);
        return false;
    }

    // Which of a listing's children a caller will likely keep, from the bytes
    // parsingFileName gives and whether the child is a folder.
    using ListingFilter = std::function<bool(QByteArrayView fileName, bool isFolder)>;

    // The next enumObjects is to be sorted by `column` (as sortRanks), keeping what
    // `keeps` accepts: a folder may start learning what that sort needs while the caller
    // still reads the listing. Only a hint, and for the next enumObjects only; `keeps` is
    // not called once that listing has ended.
    virtual void hintNextListing(int column, ListingFilter keeps)
    {
        Q_UNUSED(column);
        Q_UNUSED(keeps);
    }

    // The relative list (from this folder) of a display name / path; none on failure.
    // The desktop folder accepts absolute paths and answers absolute lists.
    virtual IdList parseDisplayName(const QString &name) = 0;

    // The absolute list of this folder itself.
    virtual IdList absoluteIdList() const = 0;
};

} // namespace lumisnap
