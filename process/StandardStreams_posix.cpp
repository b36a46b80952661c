#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "StandardStreams.h"

namespace travik {

void OpenMissingStandardStreams() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
        // The lowest free descriptor is taken, so this one fills `fd` itself.
        const int opened = open("/dev/null", O_RDWR | O_NOCTTY);
        if (opened >= 0 && opened != fd) {
            dup2(opened, fd);
            close(opened);
        }
    }
}

}  // namespace travik
