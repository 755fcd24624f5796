#include "cli/options.h"

#include <fmt/core.h>
#include <getopt.h>

#include <charconv>
#include <cstdio>
#include <cstring>

namespace firma::cli {
namespace {

enum LongOnly { kHelp = 256, kVersion, kTag, kQuiet, kStatus, kStrict, kIgnoreMissing, kProgress };

constexpr option kLongOptions[] = {
    {"binary", no_argument, nullptr, 'b'},
    {"check", no_argument, nullptr, 'c'},
    {"text", no_argument, nullptr, 't'},
    {"zero", no_argument, nullptr, 'z'},
    {"tag", no_argument, nullptr, kTag},
    {"recursive", no_argument, nullptr, 'r'},
    {"dereference", no_argument, nullptr, 'L'},
    {"jobs", required_argument, nullptr, 'j'},
    {"progress", no_argument, nullptr, kProgress},
    {"quiet", no_argument, nullptr, kQuiet},
    {"status", no_argument, nullptr, kStatus},
    {"warn", no_argument, nullptr, 'w'},
    {"strict", no_argument, nullptr, kStrict},
    {"ignore-missing", no_argument, nullptr, kIgnoreMissing},
    {"help", no_argument, nullptr, kHelp},
    {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0},
};

std::nullopt_t usage_error(const std::string& message) {
    if (!message.empty()) fmt::print(stderr, "firma: {}\n", message);
    fmt::print(stderr, "Try 'firma --help' for more information.\n");
    return std::nullopt;
}

bool parse_jobs(const char* text, unsigned& jobs) {
    const char* end = text + std::strlen(text);
    const auto [last, error] = std::from_chars(text, end, jobs);
    return error == std::errc{} && last == end && jobs > 0;
}

}  // namespace

std::optional<Options> parse_options(int argc, char** argv) {
    // getopt names the program by argv[0] in its messages; ours are "firma: ...".
    std::vector<char*> args(argv, argv + argc);
    char program[] = "firma";
    if (!args.empty()) args[0] = program;

    Options options;
    bool text = false;
    // Which of the check-only options were given, by name, for the error message.
    const char* check_only = nullptr;
    optind = 0;  // also resets getopt's internal state, so parsing can be repeated
    int option;
    while ((option = getopt_long(argc, args.data(), "bctzrLj:w", kLongOptions, nullptr)) != -1) {
        switch (option) {
            case 'b': options.binary = true; text = false; break;
            case 't': text = true; options.binary = false; break;
            case 'c': options.action = Action::check; break;
            case 'z': options.zero = true; break;
            case 'r': options.recursive = true; break;
            case 'L': options.follow_links = true; break;
            case 'j':
                if (!parse_jobs(optarg, options.jobs))
                    return usage_error(fmt::format("invalid number of jobs: '{}'", optarg));
                break;
            case kTag: options.tag = true; break;
            case kProgress: options.progress = true; break;
            case kQuiet: options.verbosity = Verbosity::quiet; check_only = "--quiet"; break;
            case kStatus: options.verbosity = Verbosity::status_only; check_only = "--status"; break;
            case 'w': options.verbosity = Verbosity::warn; check_only = "--warn"; break;
            case kStrict: options.strict = true; check_only = "--strict"; break;
            case kIgnoreMissing: options.ignore_missing = true; check_only = "--ignore-missing"; break;
            case kHelp: options.action = Action::help; return options;
            case kVersion: options.action = Action::version; return options;
            default: return usage_error("");  // getopt has said what was wrong
        }
    }
    const bool binary_or_text = options.binary || text;
    if (options.action == Action::check) {
        if (options.tag) return usage_error("the --tag option is meaningless when verifying checksums");
        if (binary_or_text)
            return usage_error("the --binary and --text options are meaningless when verifying checksums");
        if (options.zero) return usage_error("the --zero option is not supported when verifying checksums");
        if (options.recursive) return usage_error("the --recursive option is meaningless when verifying checksums");
    } else if (check_only != nullptr) {
        return usage_error(fmt::format("the {} option is meaningful only when verifying checksums", check_only));
    }
    if (options.tag && text) return usage_error("--tag does not support --text mode");
    options.files.assign(args.begin() + optind, args.end());
    return options;
}

void print_help() {
    fmt::print(
        "Usage: firma [OPTION]... [FILE]...\n"
        "Print or check seven-digit content signatures.\n"
        "\n"
        "With no FILE, or when FILE is -, read standard input.\n"
        "  -b, --binary          mark names with '*' (the bytes signed are the same)\n"
        "  -c, --check           read signatures from the FILEs and check them\n"
        "      --tag             print lines as FIRMA (NAME) = SIGNATURE\n"
        "  -t, --text            mark names with ' ' (the default)\n"
        "  -z, --zero            end each output line with NUL, not newline,\n"
        "                          and do not escape names\n"
        "  -r, --recursive       sign every regular file below FILEs that are folders,\n"
        "                          in sorted order\n"
        "  -L, --dereference     with -r, follow symbolic links to folders\n"
        "  -j, --jobs=N          sign N files at a time (default: one per core)\n"
        "      --progress        show progress on standard error when it is a terminal\n"
        "\n"
        "The following five options are useful only when verifying signatures:\n"
        "      --ignore-missing  don't fail or report status for missing files\n"
        "      --quiet           don't print OK for each successfully verified file\n"
        "      --status          don't output anything, status code shows success\n"
        "      --strict          exit non-zero for improperly formatted lines\n"
        "  -w, --warn            warn about improperly formatted lines\n"
        "\n"
        "      --help     display this help and exit\n"
        "      --version  output version information and exit\n"
        "\n"
        "A line holds the signature, a space, ' ' or '*', and the name. Names with a\n"
        "backslash, newline or carriage return are escaped (\\\\, \\n, \\r) and the line\n"
        "starts with a backslash. Equal contents give equal signatures; the signature\n"
        "is a checksum, not a cryptographic digest.\n"
        "Exit status is 0 if every file was signed (or checked OK), 1 otherwise.\n");
}

void print_version() {
    fmt::print("firma 1.00\n");
}

}  // namespace firma::cli
