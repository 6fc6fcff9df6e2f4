#include "common/process_start.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace orvane {

void PrepareProcess() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1) continue;
    // open() takes the lowest free descriptor, which is this one.
    const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (opened >= 0 && opened != fd) {
      ::dup2(opened, fd);
      ::close(opened);
    }
  }
  ::signal(SIGPIPE, SIG_IGN);
}

}  // namespace orvane
