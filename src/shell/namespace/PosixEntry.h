#pragma once

#include "shell/namespace/PosixShellFolder.h"

#include <QByteArrayView>

namespace lumisnap {

// What the folder learns of one directory entry, with as few system calls as it can;
// shared by its listing and its sort.

// Kind of one entry from d_type, with a stat only when d_type cannot tell.
PosixShellFolder::EntryInfo entryKind(int dirFd, const char *name, unsigned char type);

// Size and time of one entry (links followed; a dangling one reports itself).
void fillDetails(int dirFd, const char *name, PosixShellFolder::EntryInfo &info);

// The name of a one-item entry list, or an empty view when it is something else. The
// bytes are followed by the list's zero terminator, so they form a C string.
QByteArrayView entryName(const IdList &child);

template <typename T> int threeWay(const T &a, const T &b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

// Byte order of two names, the tie-break after collation.
int byteOrder(QByteArrayView a, QByteArrayView b);

} // namespace lumisnap
