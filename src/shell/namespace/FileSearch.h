#pragma once

#include "shell/namespace/ShellTypes.h"

#include <QString>

#include <memory>

namespace lumisnap {

// Directory search by pattern (find first, find next, close): "folder/pattern" with
// "*" and "?" matched without regard to letter case against each entry's name.
// Entries come from readdir; the type from d_type (lstat only when unknown); size and
// time from stat (links followed; a dangling link reports itself). The search closes
// with the object.
class FileSearch
{
public:
    enum class Status { Found, NoMatch, Failed };

    FileSearch();
    ~FileSearch();
    FileSearch(const FileSearch &) = delete;
    FileSearch &operator=(const FileSearch &) = delete;

    // `pathPattern` is a lossless path whose last component may hold wildcards.
    // `attributeMask`: faAnyFile (63) gives every entry; without faDirectory
    // directories are skipped, without faHidden dot names. "." and ".." are never
    // reported. A symbolic link is never a directory here (so walks do not loop).
    Status findFirst(const QString &pathPattern, std::uint32_t attributeMask, FileData &out);
    Status findNext(FileData &out);
    void close();

    // Sizes and times cost a stat per entry; a search that only needs names and
    // kinds can turn them off.
    void setWantDetails(bool want) { m_wantDetails = want; }

    // Fills `out` from one path (lstat; links followed for size and time).
    static bool describe(const QByteArray &path, FileData &out, bool wantDetails);

private:
    bool accept(FileData &out);

    struct State;
    std::unique_ptr<State> m_state;
    bool m_wantDetails = true;
};

} // namespace lumisnap
