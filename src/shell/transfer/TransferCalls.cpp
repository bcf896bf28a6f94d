#include "shell/transfer/TransferCalls.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace lumisnap {

namespace {

TransferCalls *&installed()
{
    static TransferCalls *calls = nullptr;
    return calls;
}

} // namespace

int TransferCalls::open(const char *path, int flags, mode_t mode)
{
    return ::open(path, flags, mode);
}

ssize_t TransferCalls::write(int fd, const char *data, size_t size)
{
    return ::write(fd, data, size);
}

int TransferCalls::fsync(int fd)
{
    return ::fsync(fd);
}

int TransferCalls::rename(const char *from, const char *to, unsigned flags)
{
    return flags ? ::renameat2(AT_FDCWD, from, AT_FDCWD, to, flags) : ::rename(from, to);
}

int TransferCalls::link(const char *from, const char *to)
{
    return ::link(from, to);
}

int TransferCalls::unlink(const char *path)
{
    return ::unlink(path);
}

int TransferCalls::rmdir(const char *path)
{
    return ::rmdir(path);
}

TransferCalls &TransferCalls::current()
{
    static TransferCalls system;
    return installed() ? *installed() : system;
}

TransferCalls *TransferCalls::setCurrent(TransferCalls *calls)
{
    return std::exchange(installed(), calls);
}

} // namespace lumisnap
