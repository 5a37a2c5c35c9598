#include "exif/write_check.h"

#include <fcntl.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/fs.h>
#include <sys/ioctl.h>
#endif

namespace tovrin {

bool IsWriteProtected(const std::string& path) {
#ifdef __linux__
    // Asked through a descriptor opened for reading only, non-blocking so that
    // a FIFO cannot hold the question; opening it touches no time.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return false;
    // The kernel reads and writes an int, whatever the request's type says.
    int flags = 0;
    const bool known = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    ::close(fd);
    return known && (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL)) != 0;
#else
    (void)path;
    return false;
#endif
}

}  // namespace tovrin
