#include "cli/exit_status.h"

#include <cstdio>
#include <string>
#include <system_error>

#include "language/messages.h"
#include "cli/system.h"
#include "sign/system_errors.h"
#include "language/translation.h"

namespace firma::cli {

void print_error(std::string_view text) {
    std::string line = "firma: ";
    line += text;
    line += '\n';
    write_text(stderr, line);  // nothing more can be done if standard error fails
}

void print_write_error(const std::error_code& error) {
    print_error(format_message(N_("write error: {}"), reason_of(error)));
}

int finish_output(int status, bool reported) {
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0 || std::fclose(stdout) != 0) {
        if (!reported) print_write_error(last_stream_error());
        status = 1;
    }
    if (std::fflush(stderr) != 0 || std::ferror(stderr) != 0) status = 1;
    return status;
}

}  // namespace firma::cli
