#include "cli/options.h"

#include <fmt/core.h>
#include <getopt.h>

#include <cstdio>

namespace firma::cli {
namespace {

enum LongOnly { kHelp = 256, kVersion };

constexpr option kLongOptions[] = {
    {"help", no_argument, nullptr, kHelp},
    {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0},
};

}  // namespace

std::optional<Options> parse_options(int argc, char** argv) {
    // getopt names the program by argv[0] in its messages; ours are "firma: ...".
    std::vector<char*> args(argv, argv + argc);
    char program[] = "firma";
    if (!args.empty()) args[0] = program;

    Options options;
    optind = 0;  // also resets getopt's internal state, so parsing can be repeated
    int option;
    while ((option = getopt_long(argc, args.data(), "", kLongOptions, nullptr)) != -1) {
        switch (option) {
            case kHelp: options.action = Action::help; return options;
            case kVersion: options.action = Action::version; return options;
            default:
                fmt::print(stderr, "Try 'firma --help' for more information.\n");
                return std::nullopt;
        }
    }
    options.files.assign(args.begin() + optind, args.end());
    return options;
}

void print_help() {
    fmt::print(
        "Usage: firma [OPTION]... [FILE]...\n"
        "Print the seven-digit content signature of each FILE.\n"
        "\n"
        "With no FILE, or when FILE is -, read standard input.\n"
        "\n"
        "      --help     display this help and exit\n"
        "      --version  output version information and exit\n"
        "\n"
        "Each line holds the signature, two spaces and the file name. Equal contents\n"
        "give equal signatures; the signature is not a cryptographic digest.\n"
        "Exit status is 0 if every file was signed, 1 otherwise.\n");
}

void print_version() {
    fmt::print("firma 1.00\n");
}

}  // namespace firma::cli
