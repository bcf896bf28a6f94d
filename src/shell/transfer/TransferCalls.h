#pragma once

#include <sys/types.h>

namespace lumisnap {

// The system calls on which a transfer's safety rests: opening a source, making data
// durable, renaming into place and removing a moved source. Tests put their own in place to
// watch the order of calls or to make a failure happen where they want it.
class TransferCalls
{
public:
    virtual ~TransferCalls() = default;
    virtual int open(const char *path, int flags, mode_t mode);
    virtual ssize_t write(int fd, const char *data, size_t size);
    virtual int fsync(int fd);
    // `flags` as renameat2 takes them; 0 is a plain rename.
    virtual int rename(const char *from, const char *to, unsigned flags);
    virtual int link(const char *from, const char *to);
    virtual int unlink(const char *path);
    virtual int rmdir(const char *path);

    // The calls in use; `calls` replaces them until it is set back (nullptr: the system's).
    static TransferCalls &current();
    static TransferCalls *setCurrent(TransferCalls *calls);
};

} // namespace lumisnap
