#include "cli/options.h"

#include <fmt/core.h>
#include <getopt.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "language/messages.h"
#include "cli/option_errors.h"
#include "cli/option_table.h"
#include "cli/exit_status.h"
#include "cli/system.h"
#include "lists/list_files.h"
#include "firma_version.h"
#include "sign/batch_signer.h"
#include "sign/fold.h"
#include "language/translation.h"

namespace firma::cli {
namespace {

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
    std::vector<OptionId> given;
    const std::vector<option> long_table = long_options();
    const std::string short_table = short_options();
    optind = 0;  // also resets getopt's internal state, so parsing can be repeated
    opterr = 0;  // what was wrong is said below, in the same words on every system
    int option;
    while ((option = getopt_long(argc, args.data(), short_table.c_str(), long_table.data(), nullptr)) != -1) {
        switch (option) {
            case kBinary: binary = 1; break;
            case kText: binary = 0; break;
            case kTag: options.tag = true; binary = 1; break;
            case kCheck: options.action = Action::check; break;
            case kZero: options.zero = true; break;
            case kDigest: options.digest = true; break;
            case kRecursive: options.recursive = true; break;
            case kDereference: options.follow_links = true; break;
            case kJobs:
                if (!parse_jobs(optarg, options.jobs))
                    return usage_error(format_message(N_("invalid number of jobs: '{}'"), optarg));
                break;
            case kProgress: options.progress = true; break;
            case kOutput: options.output = optarg; break;
            case kAll: options.protected_files = true; break;
            // The last of --status, --warn and --quiet is the one given.
            case kStatus: status_only = true; warn = quiet = false; break;
            case kWarn: warn = true; status_only = quiet = false; break;
            case kQuiet: quiet = true; status_only = warn = false; break;
            case kStrict: options.strict = true; break;
            case kIgnoreMissing: options.ignore_missing = true; break;
            case kAudit: options.audit = true; break;
            case kHelp: options.action = Action::help; return options;
            case kVersion: options.action = Action::version; return options;
            default:
                return usage_error(option_error(long_table.data(), short_table, optind > 0 ? args[optind - 1] : "",
                                                optopt));
        }
        if (option != kStatus && option != kWarn && option != kQuiet) given.push_back(static_cast<OptionId>(option));
    }
    if (status_only) given.push_back(kStatus);
    if (warn) given.push_back(kWarn);
    if (quiet) given.push_back(kQuiet);
    options.binary = binary == 1;
    options.verbosity = status_only ? Verbosity::status_only
                        : warn      ? Verbosity::warn
                        : quiet     ? Verbosity::quiet
                                    : Verbosity::normal;
    if (options.tag && binary == 0) return usage_error(_("--tag does not support --text mode"));
    if (options.tag && options.digest) return usage_error(_("--tag does not support --digest"));
    const unsigned mode = options.action == Action::check ? kChecking : kSigning;
    for (const OptionEntry& entry : option_table()) {
        if ((entry.modes & mode) != 0 || std::find(given.begin(), given.end(), entry.id) == given.end()) continue;
        if (entry.misplaced != nullptr) return usage_error(_(entry.misplaced));
        const std::string name = std::string("--") + entry.long_name;
        return usage_error(mode == kChecking
                               ? format_message(N_("the {} option is meaningless when verifying checksums"), name)
                               : format_message(N_("the {} option is meaningful only when verifying checksums"), name));
    }
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
    text += _("With no FILE, or when FILE is -, read standard input.\n");
    text += help_for(HelpGroup::general);
    text += "\n";
    text += _("The following options are useful only when verifying signatures:\n");
    text += help_for(HelpGroup::checking);
    text += "\n";
    text += help_for(HelpGroup::information);
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
              "the end, 1 in 2 at 64 MiB). Lists written with --digest also hold each\n"
              "file's size and digest, and -c then finds any accidental change. Against\n"
              "deliberate ones, compare a cryptographic digest as well (sha256sum, or\n"
              "Get-FileHash in PowerShell).\n");
    text += "\n";
    // What belongs to this machine, and where to read on, come last: the
    // manual page is made from the rest.
    text += format_message(N_("Here -j defaults to {}.\n"), default_jobs());
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
