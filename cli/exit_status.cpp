#include "cli/exit_status.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/system.h"

namespace firma::cli {

void print_error(std::string_view text) {
    std::string line = "firma: ";
    line += text;
    line += '\n';
    write_text(stderr, line);  // nothing more can be done if standard error fails
}

int finish_output(int status, bool reported) {
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0 || std::fclose(stdout) != 0) {
        if (!reported) print_error(std::string("write error: ") + std::strerror(write_errno()));
        status = 1;
    }
    if (std::fflush(stderr) != 0 || std::ferror(stderr) != 0) status = 1;
    return status;
}

}  // namespace firma::cli
