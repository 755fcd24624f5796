#include "cli/process.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace firma::cli {

void prepare_process() {
    // Opened the wrong way round: reading fd 0 or writing fd 1 or 2 fails with
    // EBADF, as it would if it were closed.
    const int stand_in[] = {O_WRONLY, O_RDONLY, O_RDONLY};
    for (int fd = 0; fd < 3; ++fd) {
        if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
        const int opened = ::open("/dev/null", stand_in[fd]);
        if (opened >= 0 && opened != fd) ::close(opened);  // fd was taken meanwhile
    }
    rlimit files{};
    if (::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &files);
    }
}

void print_error(std::string_view text) {
    std::string line = "firma: ";
    line += text;
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
}

int finish_output(int status, bool reported) {
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0 || std::fclose(stdout) != 0) {
        if (!reported) print_error(std::string("write error: ") + std::strerror(errno));
        status = 1;
    }
    if (std::fflush(stderr) != 0 || std::ferror(stderr) != 0) status = 1;
    return status;
}

}  // namespace firma::cli
