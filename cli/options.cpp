#include "cli/options.h"

#include <fmt/core.h>
#include <getopt.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "cli/messages.h"
#include "cli/option_errors.h"
#include "cli/exit_status.h"
#include "cli/system.h"
#include "firma_version.h"
#include "sign/batch_signer.h"
#include "sign/fold.h"
#include "language/translation.h"

namespace firma::cli {
namespace {

enum LongOnly { kHelp = 256, kVersion, kTag, kQuiet, kStatus, kStrict, kIgnoreMissing, kProgress, kAll };

// In the order of coreutils' digest tools: getopt lists the candidates for an
// ambiguous abbreviation in this order.
constexpr option kLongOptions[] = {
    {"binary", no_argument, nullptr, 'b'},
    {"check", no_argument, nullptr, 'c'},
    {"ignore-missing", no_argument, nullptr, kIgnoreMissing},
    {"quiet", no_argument, nullptr, kQuiet},
    {"status", no_argument, nullptr, kStatus},
    {"strict", no_argument, nullptr, kStrict},
    {"tag", no_argument, nullptr, kTag},
    {"text", no_argument, nullptr, 't'},
    {"warn", no_argument, nullptr, 'w'},
    {"zero", no_argument, nullptr, 'z'},
    {"recursive", no_argument, nullptr, 'r'},
    {"dereference", no_argument, nullptr, 'L'},
    {"all", no_argument, nullptr, kAll},
    {"jobs", required_argument, nullptr, 'j'},
    {"output", required_argument, nullptr, 'o'},
    {"progress", no_argument, nullptr, kProgress},
    {"help", no_argument, nullptr, kHelp},
    {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0},
};
constexpr char kShortOptions[] = "bctzrLj:o:wh";

std::nullopt_t usage_error(const std::string& message) {
    print_error(message);
    write_text(stderr, _("Try 'firma --help' for more information.\n"));
    return std::nullopt;
}

// The kernels' names that are words, in the user's language; the others name
// instruction sets, which read the same in every language.
std::string kernel_name(std::string_view name) {
    if (name == "portable") return translate_in_context("kernel", "portable");
    if (name == "product") return translate_in_context("kernel", "product");
    return std::string(name);
}

bool parse_jobs(const char* text, unsigned& jobs) {
    const char* end = text + std::strlen(text);
    const auto [last, error] = std::from_chars(text, end, jobs);
    return error == std::errc{} && last == end && jobs > 0;
}

}  // namespace

std::optional<Options> parse_options(int argc, char** argv) {
    std::vector<char*> args(argv, argv + argc);

    Options options;
    // Windows programs answer /? with their help, as cmd's own commands do;
    // -? is asked of programs on every system (getopt would call it invalid).
    const bool windows_help = backslash_separates_folders() && argc == 2 && std::strcmp(argv[1], "/?") == 0;
    const auto end_of_options = std::find_if(argv + 1, argv + argc, [](const char* a) { return std::strcmp(a, "--") == 0; });
    const bool asked = std::any_of(argv + 1, end_of_options, [](const char* a) { return std::strcmp(a, "-?") == 0; });
    if (windows_help || asked) {
        options.action = Action::help;
        return options;
    }
    int binary = -1;  // -1 until -b, -t or --tag: the last of them decides
    bool status_only = false, warn = false, quiet = false;
    optind = 0;  // also resets getopt's internal state, so parsing can be repeated
    opterr = 0;  // what was wrong is said below, in the same words on every system
    int option;
    while ((option = getopt_long(argc, args.data(), kShortOptions, kLongOptions, nullptr)) != -1) {
        switch (option) {
            case 'b': binary = 1; break;
            case 't': binary = 0; break;
            case kTag: options.tag = true; binary = 1; break;
            case 'c': options.action = Action::check; break;
            case 'z': options.zero = true; break;
            case 'r': options.recursive = true; break;
            case 'L': options.follow_links = true; break;
            case 'j':
                if (!parse_jobs(optarg, options.jobs))
                    return usage_error(format_message(N_("invalid number of jobs: '{}'"), optarg));
                break;
            case kProgress: options.progress = true; break;
            case 'o': options.output = optarg; break;
            case kAll: options.protected_files = true; break;
            case kStatus: status_only = true; warn = quiet = false; break;
            case 'w': warn = true; status_only = quiet = false; break;
            case kQuiet: quiet = true; status_only = warn = false; break;
            case kStrict: options.strict = true; break;
            case kIgnoreMissing: options.ignore_missing = true; break;
            case 'h':
            case kHelp: options.action = Action::help; return options;
            case kVersion: options.action = Action::version; return options;
            default:
                return usage_error(option_error(kLongOptions, kShortOptions, optind > 0 ? args[optind - 1] : "",
                                                optopt));
        }
    }
    options.binary = binary == 1;
    options.verbosity = status_only ? Verbosity::status_only
                        : warn      ? Verbosity::warn
                        : quiet     ? Verbosity::quiet
                                    : Verbosity::normal;
    // When several apply, the one coreutils' digest tools would give.
    const bool check = options.action == Action::check;
    const auto only_when_checking = [](const char* name) {
        return usage_error(format_message(N_("the {} option is meaningful only when verifying checksums"), name));
    };
    const auto not_when_checking = [](const char* name) {
        return usage_error(format_message(N_("the {} option is meaningless when verifying checksums"), name));
    };
    if (options.tag && binary == 0) return usage_error(_("--tag does not support --text mode"));
    if (options.zero && check) return usage_error(_("the --zero option is not supported when verifying checksums"));
    if (options.tag && check) return not_when_checking("--tag");
    if (binary >= 0 && check)
        return usage_error(_("the --binary and --text options are meaningless when verifying checksums"));
    if (options.ignore_missing && !check) return only_when_checking("--ignore-missing");
    if (status_only && !check) return only_when_checking("--status");
    if (warn && !check) return only_when_checking("--warn");
    if (quiet && !check) return only_when_checking("--quiet");
    if (options.strict && !check) return only_when_checking("--strict");
    if (options.recursive && check) return not_when_checking("--recursive");
    if (options.output && check) return not_when_checking("--output");
    if (options.protected_files && check) return not_when_checking("--all");
    options.files.assign(args.begin() + optind, args.end());
    return options;
}

namespace {

const char* usage() {
    return _("Usage: firma [OPTION]... [FILE]...\n"
             "Print or check seven-digit content signatures.\n");
}

}  // namespace

// In paragraphs, each translated on its own, as GNU tools do: a change to one
// leaves the others' translations standing.
void print_help() {
    std::string text = usage();
    text += "\n";
    text += format_message(N_(
        "With no FILE, or when FILE is -, read standard input.\n"
        "  -b, --binary          mark names with '*' (the bytes signed are the same)\n"
        "  -c, --check           read signatures from the FILEs and check them\n"
        "      --tag             print lines as FIRMA (NAME) = SIGNATURE\n"
        "  -t, --text            mark names with ' ' (the default)\n"
        "  -z, --zero            end each output line with NUL, not newline,\n"
        "                          and do not escape names\n"
        "  -r, --recursive       sign every regular file below FILEs that are folders,\n"
        "                          in sorted order\n"
        "                          (FIFOs, sockets and devices are skipped, with a\n"
        "                          warning; links to files are signed)\n"
        "  -L, --dereference     with -r, follow symbolic links to folders\n"
        "                          (no effect without -r)\n"
        "      --all             with -r on Windows, also sign files and folders that\n"
        "                          are both hidden and system (Thumbs.db, desktop.ini),\n"
        "                          which Explorer hides and rewrites on its own\n"
        "  -j, --jobs=N          read at most N files at a time, on up to one thread\n"
        "                          per core (default here: {}); -j 1 reads one file\n"
        "                          after another\n"
        "  -o, --output=FILE     write the lines to FILE (UTF-8, the same on every\n"
        "                          system and shell) instead of standard output;\n"
        "                          FILE is replaced only once every FILE is done, and\n"
        "                          is never signed itself\n"
        "      --progress        show progress on standard error when it is a terminal\n"),
        default_jobs());
    text += "\n";
    text += _("The following five options are useful only when verifying signatures:\n"
              "      --ignore-missing  don't fail or report status for missing files\n"
              "      --quiet           don't print OK for each successfully verified file\n"
              "      --status          don't output anything, status code shows success\n"
              "      --strict          exit non-zero for improperly formatted lines\n"
              "  -w, --warn            warn about improperly formatted lines\n");
    text += "\n";
    text += _("  -h, --help     display this help and exit\n"
              "      --version  output version information and exit\n");
    text += "\n";
    text += _("A line holds the signature, a space, ' ' or '*', and the name. Names with a\n"
              "newline, carriage return or (except on Windows, where it separates folders)\n"
              "a backslash are escaped (\\\\, \\n, \\r) and the line starts with a backslash.\n"
              "-c also reads lines with one blank before the name, as other systems' tools\n"
              "write them. Equal contents give equal signatures; the signature is a\n"
              "checksum, not a cryptographic digest.\n");
    text += "\n";
    text += _("Exit status is 0 if every file was signed (or checked OK), 1 otherwise;\n"
              "2 if this build of firma computes wrong signatures, and so signs nothing.\n");
    text += "\n";
    text += _("The file standard output goes to is never signed: a list never holds itself.\n"
              "Name the list to check (firma -c LIST) rather than piping it in: PowerShell\n"
              "turns every letter outside ASCII into '?' in what it pipes to a program.\n");
    text += "\n";
    text += _("Equal bytes always give equal signatures, but a matching signature does not\n"
              "prove a file unchanged: a change far from the end of a large file keeps the\n"
              "signature in a share of cases (measured: about 1 in 10 changes 16 MiB from\n"
              "the end, 1 in 2 at 64 MiB). Where that matters, compare a cryptographic\n"
              "digest as well (sha256sum, or Get-FileHash in PowerShell).\n");
    text += "\n";
    text += format_message(N_("Full documentation: {}\n"), full_documentation());
    write_text(stdout, text);
}

void print_console_note() {
    write_text(stdout, std::string(usage()) + "\n" +
                           _("firma is a command-line tool: run it from cmd or PowerShell, or use\n"
                             "firma-gui.exe for the window.\n") +
                           "\n" + _("Press a key to close this window.\n"));
}

void print_version() {
    std::string text = "firma " FIRMA_VERSION "\n";
    text += _("Copyright (C) 2026 firma developers.\n"
              "License: all rights reserved; no license is granted beyond installing and\n"
              "running firma.\n"
              "There is NO WARRANTY, to the extent permitted by law.\n");
    // Which kernels this processor runs, so that a report of a fault says them.
    // Last, as the manual page leaves it out: it belongs to this machine.
    if (!arithmetic_is_sound())
        text += _("Kernels: none gives the known signatures in this build\n");
    else
        text += format_message(N_("Kernels: the {} chain for one file, the {} lanes for {} files side by side\n"),
                               kernel_name(best_chain().name), kernel_name(best_lanes().name), best_lanes().lanes);
    write_text(stdout, text);
}

}  // namespace firma::cli
