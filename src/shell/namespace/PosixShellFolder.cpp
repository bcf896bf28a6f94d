#include "shell/namespace/PosixShellFolder.h"

#include "common/FileName.h"
#include "shell/namespace/DetailsPrefetch.h"
#include "shell/namespace/PosixEntry.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>
#include <utility>

namespace lumisnap {

namespace {

// Where the file system has no no-replace rename: a hard link cannot replace; without hard
// links the new name is taken first (exclusive create, or an empty folder) and only that
// empty entry is replaced.
bool renameWithoutReplacing(const QByteArray &from, const QByteArray &to)
{
    struct stat st;
    if (::lstat(from.constData(), &st) != 0)
        return false;
    const bool folder = S_ISDIR(st.st_mode);
    if (!folder && ::link(from.constData(), to.constData()) == 0) {
        ::unlink(from.constData());
        return true;
    }
    if (!folder && errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS && errno != EMLINK)
        return false;
    const int reserved = folder
        ? ::mkdir(to.constData(), 0700)
        : ::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (reserved < 0)
        return false;
    if (!folder)
        ::close(reserved);
    if (::rename(from.constData(), to.constData()) == 0)
        return true;
    const int error = errno; // the reason the caller reports, not the clean-up's
    if (folder)
        ::rmdir(to.constData());
    else
        ::unlink(to.constData());
    errno = error;
    return false;
}

constexpr std::size_t MaxNameBytes = 255;

bool isDotName(QByteArrayView name)
{
    return name.startsWith('.');
}

// True when `path` holds at least one sub-directory an enumeration would list; stops at
// the first.
bool hasSubfolder(const QByteArray &path, bool includeHidden)
{
    DIR *dir = ::opendir(path.constData());
    if (!dir)
        return false;
    bool found = false;
    while (const struct dirent *entry = ::readdir(dir)) {
        const QByteArrayView name(entry->d_name);
        if (name == "." || name == ".." || (!includeHidden && isDotName(name)))
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
        m_folder->listingEnded();
        if (m_dir)
            ::closedir(m_dir);
    }

    void addFixed(const IdList &item) { m_fixed.append(item); }
    bool openDirectory(const QByteArray &path)
    {
        m_dir = ::opendir(path.constData());
        return m_dir != nullptr;
    }
    int dirFd() const { return m_dir ? dirfd(m_dir) : -1; }

    Result next(IdList &item) override
    {
        if (m_nextFixed < m_fixed.size()) {
            item = m_fixed[m_nextFixed++];
            return Result::Ok;
        }
        const Result result = m_dir ? nextEntry(item) : Result::NoMore;
        if (result != Result::Ok)
            m_folder->listingEnded();
        return result;
    }

private:
    Result nextEntry(IdList &item)
    {
        for (;;) {
            errno = 0;
            const struct dirent *entry = ::readdir(m_dir);
            if (!entry)
                return errno == 0 ? Result::NoMore : Result::Fail;
            const QByteArrayView name(entry->d_name);
            if (name == "." || name == "..")
                continue;
            if (isDotName(name) && !(m_flags & SHCONTF_INCLUDEHIDDEN))
                continue;
            const auto info = entryKind(dirfd(m_dir), entry->d_name, entry->d_type);
            if (!info.exists)
                continue;
            if (!(m_flags & (info.isDir ? SHCONTF_FOLDERS : SHCONTF_NONFOLDERS)))
                continue;
            // The kind byte and the name in one go: one allocation per item.
            char data[MaxNameBytes + 1];
            const std::size_t length
                = std::min<std::size_t>(std::size_t(name.size()), MaxNameBytes);
            data[0] = char(PosixItemKind::Entry);
            std::memcpy(data + 1, name.data(), length);
            item = IdList::fromItemData(QByteArrayView(data, qsizetype(length + 1)));
            if (item.isNull())
                continue;
            m_folder->remember(item, info);
            return Result::Ok;
        }
    }

    std::shared_ptr<PosixShellFolder> m_folder;
    std::uint32_t m_flags;
    QList<IdList> m_fixed;
    qsizetype m_nextFixed = 0;
    DIR *m_dir = nullptr;
};

} // namespace

// Keeps the slots: a folder listed again is mostly as large as before.
void PosixShellFolder::EntryTable::clear()
{
    if (m_children.empty())
        return;
    std::fill(m_slots.begin(), m_slots.end(), Slot());
    m_children.clear();
    m_infos.clear();
}

// Children are found by the address of their bytes: the lists the enumerator handed out
// are the ones asked about again (copies share their bytes), and the table holds each
// list, so no other list can take that address meanwhile. A list with the same bytes
// elsewhere is simply not found, and asked the slow way.
PosixShellFolder::EntryTable::Slot &PosixShellFolder::EntryTable::slotOf(const char *address)
{
    const auto bits = std::uint64_t(reinterpret_cast<std::uintptr_t>(address));
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t at = std::size_t((bits * 0x9E3779B97F4A7C15ull) >> 32) & mask;;
         at = (at + 1) & mask) {
        Slot &slot = m_slots[at];
        if (!slot.address || slot.address == address)
            return slot;
    }
}

void PosixShellFolder::EntryTable::grow()
{
    m_slots.assign(std::max<std::size_t>(1024, m_slots.size() * 2), Slot());
    for (std::size_t i = 0; i < m_children.size(); ++i) {
        const char *address = m_children[i].bytes().constData();
        slotOf(address) = Slot { address, std::uint32_t(i) };
    }
}

PosixShellFolder::EntryInfo *PosixShellFolder::EntryTable::find(const IdList &child)
{
    if (m_children.empty() || child.isNull())
        return nullptr;
    const Slot &slot = slotOf(child.bytes().constData());
    return slot.address ? &m_infos[slot.index] : nullptr;
}

PosixShellFolder::EntryInfo &PosixShellFolder::EntryTable::insert(
    const IdList &child, const EntryInfo &info)
{
    return m_infos[place(child, info)];
}

std::uint32_t PosixShellFolder::EntryTable::place(const IdList &child, const EntryInfo &info)
{
    if ((m_children.size() + 1) * 2 > m_slots.size())
        grow();
    const char *address = child.bytes().constData();
    Slot &slot = slotOf(address);
    if (!slot.address) {
        slot = Slot { address, std::uint32_t(m_children.size()) };
        m_children.push_back(child);
        m_infos.push_back(info);
    } else {
        m_infos[slot.index] = info;
    }
    return slot.index;
}

// Removing from open addressing would break the probe chains: a forgotten child is
// marked unknown instead, and asked again on next use.
void PosixShellFolder::EntryTable::forget(const IdList &child)
{
    if (EntryInfo *info = find(child))
        *info = EntryInfo();
}

PosixShellFolder::PosixShellFolder(
    std::shared_ptr<PosixShellModel::Private> model, PosixLocation location, IdList absolute)
    : m_model(std::move(model))
    , m_location(std::move(location))
    , m_absolute(std::move(absolute))
{
}

PosixShellFolder::~PosixShellFolder() = default;

void PosixShellFolder::hintNextListing(int column, ListingFilter keeps)
{
    m_hintColumn = column;
    m_hintKeeps = std::move(keeps);
}

std::unique_ptr<IdListEnumerator> PosixShellFolder::enumObjects(std::uint32_t flags)
{
    m_prefetch.reset(); // it keys its results by the table's places
    m_prefetchColumn = std::exchange(m_hintColumn, -1);
    m_prefetchKeeps = std::exchange(m_hintKeeps, nullptr);
    m_entries.clear();
    m_parentWritable.reset();
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
        startPrefetch(enumerator->dirFd());
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
        startPrefetch(enumerator->dirFd());
        break;
    }
    return enumerator;
}

PosixShellFolder::EntryInfo PosixShellFolder::info(const PosixLocation &entry, bool details)
{
    EntryInfo result = entryKind(AT_FDCWD, entry.path.constData(), DT_UNKNOWN);
    if (details && result.exists)
        fillDetails(AT_FDCWD, entry.path.constData(), result);
    return result;
}

// A direct child's record, made on first use; a name that is missing now may appear
// later, so only what exists is kept.
PosixShellFolder::EntryInfo PosixShellFolder::cachedEntry(
    const IdList &child, const PosixLocation &entry, bool details)
{
    EntryInfo *found = m_entries.find(child);
    if (!found || !found->known) {
        const EntryInfo fresh = info(entry, details);
        if (!fresh.exists)
            return fresh;
        found = &m_entries.insert(child, fresh);
    }
    if (details && !found->hasDetails)
        fillDetails(AT_FDCWD, entry.path.constData(), *found);
    return *found;
}

// A sort by size or time of a large folder needs a look at every entry: begun while the
// folder is still read, most of it is done when the sort starts.
void PosixShellFolder::startPrefetch(int dirFd)
{
    if ((m_prefetchColumn == 1 || m_prefetchColumn == 3) && dirFd >= 0
        && std::thread::hardware_concurrency() >= 2)
        m_prefetch = std::make_unique<DetailsPrefetch>(dirFd);
}

void PosixShellFolder::remember(const IdList &child, const EntryInfo &info)
{
    const std::uint32_t place = m_entries.place(child, info);
    if (!m_prefetch || (m_prefetchColumn == 1 && info.isDir))
        return; // a folder's size is 0 whatever it holds
    const QByteArrayView name = entryName(child);
    if (!m_prefetchKeeps || m_prefetchKeeps(name, info.isDir))
        m_prefetch->add(place, name);
}

void PosixShellFolder::listingEnded()
{
    m_prefetchKeeps = nullptr;
    if (m_prefetch)
        m_prefetch->close();
}

// Before the sort's own look at the entries, which then skips those done here.
void PosixShellFolder::takePrefetched(int dirFd)
{
    if (!m_prefetch)
        return;
    m_prefetch->finish(dirFd, [this](std::uint32_t place, const EntryInfo &found) {
        EntryInfo &entry = m_entries.at(place);
        if (entry.known && !entry.hasDetails) {
            entry.size = found.size;
            entry.modified = found.modified;
            entry.hasDetails = true;
        }
    });
    m_prefetch.reset();
}

bool PosixShellFolder::parentWritable()
{
    if (!m_parentWritable)
        m_parentWritable = accessible(m_location.path, W_OK | X_OK);
    return *m_parentWritable;
}

std::optional<std::uint32_t> PosixShellFolder::entryAttributes(
    QByteArrayView name, const EntryInfo &entry, std::uint32_t mask, std::uint32_t contentFlags)
{
    std::uint32_t attributes = SFGAO_FILESYSTEM | SFGAO_CANLINK;
    if (entry.isDir)
        attributes |= SFGAO_FOLDER;
    if (entry.isLink)
        attributes |= SFGAO_LINK;
    if (isDotName(name))
        attributes |= SFGAO_HIDDEN | SFGAO_GHOSTED;
    const bool wantsSubfolders = entry.isDir && (mask & SFGAO_HASSUBFOLDER);
    if (wantsSubfolders || (mask & (SFGAO_READONLY | SFGAO_CANCOPY))) {
        const QByteArray path = joinPath(m_location.path, name.toByteArray());
        if (wantsSubfolders && hasSubfolder(path, contentFlags & SHCONTF_INCLUDEHIDDEN))
            attributes |= SFGAO_HASSUBFOLDER;
        if ((mask & SFGAO_READONLY) && !accessible(path, W_OK))
            attributes |= SFGAO_READONLY;
        if ((mask & SFGAO_CANCOPY) && accessible(path, R_OK))
            attributes |= SFGAO_CANCOPY;
    }
    if ((mask & (SFGAO_CANMOVE | SFGAO_CANDELETE | SFGAO_CANRENAME)) && parentWritable())
        attributes |= SFGAO_CANMOVE | SFGAO_CANDELETE | SFGAO_CANRENAME;
    return attributes & mask;
}

std::optional<std::uint32_t> PosixShellFolder::attributesAt(
    const PosixLocation &location, std::uint32_t mask, std::uint32_t contentFlags)
{
    std::uint32_t attributes = 0;
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
        if (location.kind == PosixLocation::Drive && location.driveType == DriveType::Remote) {
            // A network mount may no longer answer: never touch it before the user opens it.
            return (attributes | SFGAO_HASSUBFOLDER | SFGAO_CANCOPY) & mask;
        }
        if ((mask & SFGAO_HASSUBFOLDER)
            && hasSubfolder(location.path, contentFlags & SHCONTF_INCLUDEHIDDEN))
            attributes |= SFGAO_HASSUBFOLDER;
        if ((mask & SFGAO_READONLY) && !accessible(location.path, W_OK))
            attributes |= SFGAO_READONLY;
        if ((mask & SFGAO_CANCOPY) && accessible(location.path, R_OK))
            attributes |= SFGAO_CANCOPY;
        return attributes & mask;
    case PosixLocation::Entry:
        break;
    }
    const EntryInfo entry = info(location, false);
    if (!entry.exists)
        return std::nullopt;
    std::optional<std::uint32_t> result = entryAttributes(location.name, entry,
        mask & ~std::uint32_t(SFGAO_CANMOVE | SFGAO_CANDELETE | SFGAO_CANRENAME), contentFlags);
    if ((mask & (SFGAO_CANMOVE | SFGAO_CANDELETE | SFGAO_CANRENAME))
        && accessible(location.parentPath(), W_OK | X_OK))
        *result |= (SFGAO_CANMOVE | SFGAO_CANDELETE | SFGAO_CANRENAME) & mask;
    return result;
}

std::optional<std::uint32_t> PosixShellFolder::attributesOf(
    std::span<const IdList> children, std::uint32_t mask, std::uint32_t contentFlags)
{
    if (children.empty()) {
        if ((mask & SFGAO_VALIDATE) && m_location.kind == PosixLocation::Computer)
            m_model->readDrives();
        return 0;
    }
    std::uint32_t common = ~std::uint32_t(0);
    for (const IdList &child : children) {
        // A child seen by the last listing is answered from what the listing learnt.
        const EntryInfo *known = m_entries.find(child);
        std::optional<std::uint32_t> attributes;
        if (known && known->known) {
            attributes = entryAttributes(entryName(child), *known, mask, contentFlags);
        } else {
            const auto location = m_model->resolve(m_location, child);
            if (!location)
                return std::nullopt;
            attributes = attributesAt(*location, mask, contentFlags);
        }
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

QByteArray PosixShellFolder::parsingFileName(const IdList &relative)
{
    // An entry's parsing name is its folder's path and its own name.
    const QByteArrayView name = entryName(relative);
    if (!name.isEmpty() && m_location.hasPath() && !name.contains('/'))
        return QByteArray::fromRawData(name.data(), name.size()); // asked once per item
    return ShellFolder::parsingFileName(relative);
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

namespace {

QString renameFailure(int error)
{
    switch (error) {
    case EEXIST:
    case ENOTEMPTY:
        return QStringLiteral("An item with that name already exists");
    case ENAMETOOLONG:
        return QStringLiteral("The name is too long");
    default:
        return QString::fromLocal8Bit(strerror(error));
    }
}

} // namespace

IdList PosixShellFolder::setNameOf(const IdList &relative, const QString &newName, QString *reason)
{
    const auto fail = [reason](const QString &why) {
        if (reason)
            *reason = why;
        return IdList();
    };
    if (relative.count() != 1)
        return fail(QStringLiteral("It is not an item of this folder"));
    const auto location = m_model->resolve(m_location, relative);
    if (!location || location->kind != PosixLocation::Entry)
        return fail(QStringLiteral("It cannot be renamed"));
    const QString lossless = editedFileName(decodeFileName(location->name), newName);
    if (lossless.isNull())
        return fail(QStringLiteral("The new name holds \"%1\", which stands for bytes that "
                                   "cannot be shown; change only the other characters")
                        .arg(QChar(QChar::ReplacementCharacter)));
    const QByteArray name = encodeFileName(lossless);
    if (name.isEmpty() || name == "." || name == "..")
        return fail(QStringLiteral("That name is not allowed"));
    if (name.contains('/') || name.contains('\0'))
        return fail(QStringLiteral("A name cannot contain \"/\""));
    if (name == location->name)
        return relative;
    const QByteArray target = joinPath(location->parentPath(), name);
    // Never replace an existing entry of the new name.
    if (::renameat2(
            AT_FDCWD, location->path.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE)
        != 0) {
        if (errno != EINVAL && errno != ENOSYS)
            return fail(renameFailure(errno));
        if (!renameWithoutReplacing(location->path, target))
            return fail(renameFailure(errno));
    }
    m_entries.forget(relative);
    const IdList renamed = PosixShellModel::entryItem(name);
    m_entries.forget(renamed);
    return renamed;
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
