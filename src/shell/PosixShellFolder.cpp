#include "shell/PosixShellFolder.h"

#include "common/FileName.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace lumisnap {

namespace {

const QByteArray HomeKey = QByteArrayLiteral("home");
const QByteArray ComputerKey = QByteArrayLiteral("computer");

bool isDotName(const QByteArray &name)
{
    return name.startsWith('.');
}

QDateTime toDateTime(const struct timespec &ts)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000);
}

// Kind of one entry from d_type, with a stat only when d_type cannot tell.
PosixShellFolder::EntryInfo entryKind(int dirFd, const char *name, unsigned char type)
{
    PosixShellFolder::EntryInfo info;
    info.known = true;
    info.exists = true;
    struct stat st;
    if (type == DT_UNKNOWN) {
        if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            info.exists = false;
            return info;
        }
        type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : DT_REG;
    }
    info.isLink = type == DT_LNK;
    // A link to a directory browses like one; a dangling one or a loop is a plain item.
    info.isDir = type == DT_DIR
        || (info.isLink && ::fstatat(dirFd, name, &st, 0) == 0 && S_ISDIR(st.st_mode));
    return info;
}

// True when `path` holds at least one visible sub-directory; stops at the first.
bool hasSubfolder(const QByteArray &path)
{
    DIR *dir = ::opendir(path.constData());
    if (!dir)
        return false;
    bool found = false;
    while (const struct dirent *entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        if (entry->d_type == DT_DIR) {
            found = true;
            break;
        }
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat st;
            if (::fstatat(dirfd(dir), entry->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode)) {
                found = true;
                break;
            }
        }
    }
    ::closedir(dir);
    return found;
}

bool accessible(const QByteArray &path, int mode)
{
    return !path.isEmpty() && ::access(path.constData(), mode) == 0;
}

// Items prepared up front (virtual items, drives), then optionally a directory.
class PosixEnumerator : public IdListEnumerator
{
public:
    PosixEnumerator(std::shared_ptr<PosixShellFolder> folder, std::uint32_t flags)
        : m_folder(std::move(folder))
        , m_flags(flags)
    {
    }
    ~PosixEnumerator() override
    {
        if (m_dir)
            ::closedir(m_dir);
    }

    void addFixed(const IdList &item) { m_fixed.append(item); }
    bool openDirectory(const QByteArray &path)
    {
        m_dir = ::opendir(path.constData());
        return m_dir != nullptr;
    }

    Result next(IdList &item) override
    {
        if (m_nextFixed < m_fixed.size()) {
            item = m_fixed[m_nextFixed++];
            return Result::Ok;
        }
        return m_dir ? nextEntry(item) : Result::NoMore;
    }

private:
    Result nextEntry(IdList &item)
    {
        for (;;) {
            errno = 0;
            const struct dirent *entry = ::readdir(m_dir);
            if (!entry)
                return errno == 0 ? Result::NoMore : Result::Fail;
            const QByteArray name(entry->d_name);
            if (name == "." || name == "..")
                continue;
            if (isDotName(name) && !(m_flags & SHCONTF_INCLUDEHIDDEN))
                continue;
            const auto info = entryKind(dirfd(m_dir), entry->d_name, entry->d_type);
            if (!info.exists)
                continue;
            if (!(m_flags & (info.isDir ? SHCONTF_FOLDERS : SHCONTF_NONFOLDERS)))
                continue;
            m_folder->remember(name, info);
            item = PosixShellModel::entryItem(name);
            if (item.isNull())
                continue;
            return Result::Ok;
        }
    }

    std::shared_ptr<PosixShellFolder> m_folder;
    std::uint32_t m_flags;
    QList<IdList> m_fixed;
    qsizetype m_nextFixed = 0;
    DIR *m_dir = nullptr;
};

int virtualRank(const QByteArray &key)
{
    return key == HomeKey ? 0 : 1;
}

template <typename T> int threeWay(const T &a, const T &b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

} // namespace

PosixShellFolder::PosixShellFolder(
    std::shared_ptr<PosixShellModel::Private> model, PosixLocation location, IdList absolute)
    : m_model(std::move(model))
    , m_location(std::move(location))
    , m_absolute(std::move(absolute))
{
}

std::unique_ptr<IdListEnumerator> PosixShellFolder::enumObjects(std::uint32_t flags)
{
    forgetEntries();
    auto enumerator = std::make_unique<PosixEnumerator>(shared_from_this(), flags);
    switch (m_location.kind) {
    case PosixLocation::Root:
        if (flags & SHCONTF_FOLDERS) {
            if (m_model->home != m_model->desktop)
                enumerator->addFixed(PosixShellModel::virtualItem(HomeKey));
            enumerator->addFixed(PosixShellModel::virtualItem(ComputerKey));
        }
        if (!enumerator->openDirectory(m_location.path))
            return nullptr;
        break;
    case PosixLocation::Computer:
        if (flags & SHCONTF_FOLDERS) {
            for (const DriveInfo &drive : m_model->driveList())
                enumerator->addFixed(PosixShellModel::driveItem(drive.mountPoint));
        }
        break;
    default:
        if (!enumerator->openDirectory(m_location.path))
            return nullptr;
        break;
    }
    return enumerator;
}

PosixShellFolder::EntryInfo PosixShellFolder::info(
    const PosixLocation &entry, bool direct, bool details)
{
    EntryInfo result;
    if (direct)
        result = m_entries.value(entry.name);
    if (!result.known) {
        const int cwd = AT_FDCWD;
        result = entryKind(cwd, entry.path.constData(), DT_UNKNOWN);
    }
    if (details && result.exists && !result.hasDetails) {
        struct stat st;
        if (::stat(entry.path.constData(), &st) == 0 || ::lstat(entry.path.constData(), &st) == 0) {
            result.size = S_ISDIR(st.st_mode) ? 0 : qint64(st.st_size);
            result.modified = toDateTime(st.st_mtim);
        }
        result.hasDetails = true;
    }
    // A name that is missing now may appear later: only what exists is remembered.
    if (direct && result.exists)
        m_entries.insert(entry.name, result);
    return result;
}

std::optional<std::uint32_t> PosixShellFolder::attributesAt(
    const PosixLocation &location, std::uint32_t mask, bool direct)
{
    std::uint32_t attributes = 0;
    auto addPathChecks = [&](bool writableParent) {
        if ((mask & SFGAO_READONLY) && !accessible(location.path, W_OK))
            attributes |= SFGAO_READONLY;
        if ((mask & SFGAO_CANCOPY) && accessible(location.path, R_OK))
            attributes |= SFGAO_CANCOPY;
        if (writableParent)
            attributes |= SFGAO_CANMOVE | SFGAO_CANDELETE | SFGAO_CANRENAME;
    };
    switch (location.kind) {
    case PosixLocation::Root:
        return (SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER)
            & mask;
    case PosixLocation::Computer:
        return (SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER) & mask;
    case PosixLocation::Home:
    case PosixLocation::Drive:
        attributes = SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR | SFGAO_CANLINK;
        if (location.kind == PosixLocation::Drive && location.driveType == DriveType::Removable)
            attributes |= SFGAO_REMOVABLE;
        if ((mask & SFGAO_HASSUBFOLDER) && hasSubfolder(location.path))
            attributes |= SFGAO_HASSUBFOLDER;
        addPathChecks(false);
        return attributes & mask;
    case PosixLocation::Entry:
        break;
    }
    const EntryInfo entry = info(location, direct, false);
    if (!entry.exists)
        return std::nullopt;
    attributes = SFGAO_FILESYSTEM | SFGAO_CANLINK;
    if (entry.isDir)
        attributes |= SFGAO_FOLDER;
    if (entry.isLink)
        attributes |= SFGAO_LINK;
    if (isDotName(location.name))
        attributes |= SFGAO_HIDDEN | SFGAO_GHOSTED;
    if (entry.isDir && (mask & SFGAO_HASSUBFOLDER) && hasSubfolder(location.path))
        attributes |= SFGAO_HASSUBFOLDER;
    const bool wantsParent = mask & (SFGAO_CANMOVE | SFGAO_CANDELETE | SFGAO_CANRENAME);
    addPathChecks(wantsParent && accessible(location.parentPath(), W_OK | X_OK));
    return attributes & mask;
}

std::optional<std::uint32_t> PosixShellFolder::attributesOf(
    std::span<const IdList> children, std::uint32_t mask)
{
    if (children.empty()) {
        if ((mask & SFGAO_VALIDATE) && m_location.kind == PosixLocation::Computer)
            m_model->readDrives();
        return 0;
    }
    std::uint32_t common = ~std::uint32_t(0);
    for (const IdList &child : children) {
        const auto location = m_model->resolve(m_location, child);
        if (!location)
            return std::nullopt;
        const auto attributes = attributesAt(*location, mask, child.count() == 1);
        if (!attributes)
            return std::nullopt;
        common &= *attributes;
    }
    return common & mask;
}

QString PosixShellFolder::displayNameOf(const IdList &relative, ShellDisplayName kind)
{
    const auto location = m_model->resolve(m_location, relative);
    if (!location)
        return QString();
    return kind == SHGDN_FORPARSING ? m_model->parsingName(*location)
                                    : m_model->shownName(*location);
}

int PosixShellFolder::compareNames(const QByteArray &a, const QByteArray &b)
{
    const int order = m_model->collator.compare(decodeFileName(a), decodeFileName(b));
    if (order != 0)
        return order < 0 ? -1 : 1;
    return threeWay(a, b);
}

std::optional<int> PosixShellFolder::compareItems(
    int column, const PosixLocation &parent, bool direct, QByteArrayView a, QByteArrayView b)
{
    if (direct && column == 0) {
        if (const auto order = compareKnownNames(a, b))
            return order;
    }
    const auto first = m_model->step(parent, a);
    const auto second = m_model->step(parent, b);
    if (!first || !second)
        return std::nullopt;
    if (first->kind != second->kind)
        return threeWay(int(first->kind), int(second->kind));
    if (first->kind == PosixLocation::Home || first->kind == PosixLocation::Computer)
        return threeWay(virtualRank(first->name), virtualRank(second->name));
    if (first->kind == PosixLocation::Drive) {
        const auto &drives = m_model->driveList();
        auto indexOf = [&](const QByteArray &point) {
            for (qsizetype i = 0; i < drives.size(); ++i) {
                if (drives[i].mountPoint == point)
                    return i;
            }
            return drives.size();
        };
        const int order = threeWay(indexOf(first->path), indexOf(second->path));
        return order != 0 ? order : threeWay(first->path, second->path);
    }
    return compareEntries(column, *first, *second, direct);
}

std::optional<int> PosixShellFolder::compareKnownNames(QByteArrayView a, QByteArrayView b) const
{
    // The common case while a long list is sorted: both names were seen and keyed
    // before, so no path is built and nothing is allocated.
    const auto entryKind = char(PosixItemKind::Entry);
    if (a.size() < 2 || b.size() < 2 || a[0] != entryKind || b[0] != entryKind)
        return std::nullopt;
    const QByteArray nameA = QByteArray::fromRawData(a.data() + 1, a.size() - 1);
    const QByteArray nameB = QByteArray::fromRawData(b.data() + 1, b.size() - 1);
    const auto x = m_entries.constFind(nameA);
    const auto y = m_entries.constFind(nameB);
    if (x == m_entries.constEnd() || y == m_entries.constEnd() || !x->known || !y->known
        || !x->sortKey || !y->sortKey)
        return std::nullopt;
    if (x->isDir != y->isDir)
        return x->isDir ? -1 : 1;
    const int order = x->sortKey->compare(*y->sortKey);
    if (order != 0)
        return order < 0 ? -1 : 1;
    return threeWay(nameA, nameB);
}

PosixShellFolder::EntryInfo &PosixShellFolder::cachedEntry(const PosixLocation &entry, bool details)
{
    auto found = m_entries.find(entry.name);
    if (found == m_entries.end() || !found->known || (details && !found->hasDetails)) {
        EntryInfo fresh = info(entry, true, details);
        found = m_entries.find(entry.name);
        if (found == m_entries.end()) {
            fresh.known = false; // missing: ask again next time
            found = m_entries.insert(entry.name, fresh);
        }
    }
    if (!found->sortKey)
        found->sortKey = m_model->collator.sortKey(decodeFileName(entry.name));
    return *found;
}

int PosixShellFolder::compareEntries(
    int column, const PosixLocation &first, const PosixLocation &second, bool direct)
{
    const bool details = column == 1 || column == 3;
    EntryInfo x, y;
    if (direct) {
        // Sorting a long list compares each name many times: keep its collation key.
        // The second lookup may rehash, so copy the first before making it.
        x = cachedEntry(first, details);
        y = cachedEntry(second, details);
    } else {
        x = info(first, false, details);
        y = info(second, false, details);
    }
    if (x.isDir != y.isDir)
        return x.isDir ? -1 : 1;
    int order = 0;
    if (column == 1)
        order = threeWay(x.size, y.size);
    else if (column == 2)
        order = m_model->collator.compare(m_model->typeName(first), m_model->typeName(second));
    else if (column == 3)
        order = threeWay(x.modified, y.modified);
    if (order == 0 && x.sortKey && y.sortKey)
        order = x.sortKey->compare(*y.sortKey);
    if (order != 0)
        return order < 0 ? -1 : 1;
    return compareNames(first.name, second.name);
}

std::optional<int> PosixShellFolder::compareIDs(int column, const IdList &a, const IdList &b)
{
    if (a.isNull() || b.isNull())
        return std::nullopt;
    PosixLocation parent = m_location;
    const int countA = a.count();
    const int countB = b.count();
    for (int level = 0;; ++level) {
        if (level == countA || level == countB)
            return threeWay(countA - level, countB - level);
        const QByteArrayView itemA = a.itemData(level);
        const QByteArrayView itemB = b.itemData(level);
        if (itemA != itemB)
            return compareItems(column, parent, level == 0, itemA, itemB);
        const auto next = m_model->step(parent, itemA);
        if (!next)
            return std::nullopt;
        parent = *next;
    }
}

ShellFolderPtr PosixShellFolder::bindToObject(const IdList &relative)
{
    if (relative.isNull())
        return nullptr;
    if (relative.isEmpty())
        return shared_from_this();
    const auto location = m_model->resolve(m_location, relative);
    if (!location)
        return nullptr;
    if (location->kind == PosixLocation::Entry) {
        struct stat st;
        if (::stat(location->path.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
            return nullptr;
    }
    return std::make_shared<PosixShellFolder>(
        m_model, *location, ConcatIdLists(m_absolute, relative));
}

IdList PosixShellFolder::setNameOf(const IdList &relative, const QString &newName)
{
    if (relative.count() != 1)
        return {};
    const auto location = m_model->resolve(m_location, relative);
    const QByteArray name = encodeFileName(newName);
    if (!location || location->kind != PosixLocation::Entry || name.isEmpty() || name == "."
        || name == ".." || name.contains('/') || name.contains('\0'))
        return {};
    if (name == location->name)
        return relative;
    const QByteArray target = joinPath(location->parentPath(), name);
    // Never replace an existing entry of the new name.
    if (::renameat2(
            AT_FDCWD, location->path.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE)
        != 0) {
        struct stat st;
        if (errno != EINVAL && errno != ENOSYS)
            return {};
        if (::lstat(target.constData(), &st) == 0
            || ::rename(location->path.constData(), target.constData()) != 0)
            return {};
    }
    m_entries.remove(location->name);
    m_entries.remove(name);
    return PosixShellModel::entryItem(name);
}

IdList PosixShellFolder::parseDisplayName(const QString &name)
{
    if (name == QLatin1String("::Computer") && m_location.kind == PosixLocation::Root)
        return PosixShellModel::virtualItem(ComputerKey);
    QByteArray path = encodeFileName(name);
    if (path.isEmpty())
        return {};
    if (!path.startsWith('/')) {
        if (!m_location.hasPath())
            return {};
        path = joinPath(m_location.path, path);
    }
    const IdList absolute = m_model->idListOfPath(path);
    if (absolute.isNull())
        return {};
    if (m_location.kind == PosixLocation::Root)
        return absolute;
    // Relative to this folder: the absolute list must run through it.
    const int own = m_absolute.count();
    if (absolute.count() < own || IdListAncestor(absolute, absolute.count() - own) != m_absolute)
        return {};
    IdList relative = IdList::empty();
    for (int i = own; i < absolute.count(); ++i)
        relative = ConcatIdLists(relative, IdListItem(absolute, i));
    return relative;
}

} // namespace lumisnap
