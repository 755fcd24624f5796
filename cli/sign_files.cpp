#include "cli/sign_files.h"

#include <fmt/core.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <new>
#include <system_error>

#include "sign/file_signer.h"
#include "sign/signature.h"

namespace firma::cli {
namespace {

std::uint32_t sign_operand(const std::string& name) {
    if (name == "-") return sign_descriptor(STDIN_FILENO, name, false);
    return sign_file(name);
}

void report(const std::string& name, const std::string& reason) {
    fmt::print(stderr, "firma: {}: {}\n", name, reason);
}

}  // namespace

int sign_files(const std::vector<std::string>& files) {
    int status = 0;
    for (const std::string& name : files) {
        std::uint32_t value = 0;
        try {
            value = sign_operand(name);
        } catch (const std::system_error& error) {
            report(name, error.code().message());
            status = 1;
            continue;
        } catch (const std::bad_alloc&) {
            report(name, std::generic_category().message(ENOMEM));
            status = 1;
            continue;
        }
        // Outside the try: a failing stdout is not this file's failure (main reports it).
        fmt::print(stdout, "{}  {}\n", format_signature(value), name);
    }
    return status;
}

}  // namespace firma::cli
