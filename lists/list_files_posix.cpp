// Reading lists on POSIX systems.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "lists/list_files.h"
#include "sign/system_errors.h"

namespace firma {

bool backslash_separates_folders() {
    return false;
}

std::FILE* open_list(const std::string& name, std::error_code& error) {
    std::FILE* const list = std::fopen(name.c_str(), "re");
    if (list == nullptr) error = last_system_error();
    return list;
}

long long read_available(std::FILE* file, char* buffer, std::size_t size, std::error_code& error) {
    for (;;) {
        const ssize_t got = ::read(::fileno(file), buffer, size);
        if (got >= 0) return got;
        if (errno != EINTR) {
            error = last_system_error();
            return -1;
        }
    }
}

bool reads_may_wait(std::FILE* file) {
    struct stat status {};
    return ::fstat(::fileno(file), &status) != 0 || !S_ISREG(status.st_mode);
}

std::string comparable_name(std::string_view path) {
    return std::string(path);
}

bool names_no_file(std::string_view) {
    return false;
}

bool is_unfinished_output(std::string_view name) {
    const std::size_t mark = name.rfind(kUnfinishedMark);
    return name.starts_with('.') && mark != std::string_view::npos && mark > 1 &&
           is_unfinished_output_of(name, name.substr(1, mark - 1));
}

}  // namespace firma
