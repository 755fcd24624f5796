#include "cli/option_table.h"

#include "language/translation.h"

namespace firma::cli {
namespace {

// -z and --tag come before -b and -t, and --warn before --strict: where
// several are given in the wrong mode, coreutils' digest tools name them in
// this order.
constexpr OptionEntry kOptions[] = {
    {kCheck, "check", 'c', nullptr, kEitherMode, nullptr, HelpGroup::general,
     N_("read signatures from the FILEs and check them")},
    {kZero, "zero", 'z', nullptr, kSigning, N_("the --zero option is not supported when verifying checksums"),
     HelpGroup::general, N_("end each output line with NUL, not newline,\nand do not escape names")},
    {kTag, "tag", '\0', nullptr, kSigning, nullptr, HelpGroup::general,
     N_("print lines as FIRMA (NAME) = SIGNATURE")},
    {kBinary, "binary", 'b', nullptr, kSigning,
     N_("the --binary and --text options are meaningless when verifying checksums"), HelpGroup::general,
     N_("mark names with '*' (the bytes signed are the same)")},
    {kText, "text", 't', nullptr, kSigning,
     N_("the --binary and --text options are meaningless when verifying checksums"), HelpGroup::general,
     N_("mark names with ' ' (the default)")},
    {kDigest, "digest", '\0', nullptr, kSigning, nullptr, HelpGroup::general,
     N_("also write each file's size and XXH3-128 digest,\nso that -c finds any change to its bytes, not only\n"
        "those the signature sees")},
    {kRecursive, "recursive", 'r', nullptr, kSigning, nullptr, HelpGroup::general,
     N_("sign every regular file below FILEs that are folders,\nin the order of their names' bytes, the same in\n"
        "every language ('Zorro' before 'árbol')\n"
        "(FIFOs, sockets and devices are skipped, with a\nwarning; links to files are signed)")},
    {kDereference, "dereference", 'L', nullptr, kEitherMode, nullptr, HelpGroup::general,
     N_("with -r, follow symbolic links to folders\n(no effect without -r)")},
    {kAll, "all", '\0', nullptr, kSigning, nullptr, HelpGroup::general,
     N_("with -r on Windows, also sign files and folders that\nare both hidden and system (Thumbs.db, desktop.ini),\n"
        "which Explorer hides and rewrites on its own")},
    {kJobs, "jobs", 'j', N_("N"), kEitherMode, nullptr, HelpGroup::general,
     N_("read at most N files at a time, on up to one thread\nper core (default: as many as every core's lanes\n"
        "fold at once); -j 1 reads one file after another")},
    {kOutput, "output", 'o', N_("FILE"), kSigning, nullptr, HelpGroup::general,
     N_("write the lines to FILE (UTF-8, the same on every\nsystem and shell) instead of standard output;\n"
        "FILE is replaced only once every FILE is done, and\nis never signed itself")},
    {kProgress, "progress", '\0', nullptr, kEitherMode, nullptr, HelpGroup::general,
     N_("show progress on standard error when it is a terminal")},
    {kIgnoreMissing, "ignore-missing", '\0', nullptr, kChecking, nullptr, HelpGroup::checking,
     N_("don't fail or report status for missing files")},
    {kQuiet, "quiet", '\0', nullptr, kChecking, nullptr, HelpGroup::checking,
     N_("don't print OK for each successfully verified file")},
    {kStatus, "status", '\0', nullptr, kChecking, nullptr, HelpGroup::checking,
     N_("don't output anything, status code shows success")},
    {kWarn, "warn", 'w', nullptr, kChecking, nullptr, HelpGroup::checking,
     N_("warn about improperly formatted lines")},
    {kStrict, "strict", '\0', nullptr, kChecking, nullptr, HelpGroup::checking,
     N_("exit non-zero for improperly formatted lines")},
    {kAudit, "audit", '\0', nullptr, kChecking, nullptr, HelpGroup::checking,
     N_("also report the files below each list's folder\nthat the list lacks (NEW), and the counts")},
    {kHelp, "help", 'h', nullptr, kEitherMode, nullptr, HelpGroup::information, N_("display this help and exit")},
    {kVersion, "version", '\0', nullptr, kEitherMode, nullptr, HelpGroup::information,
     N_("output version information and exit")},
};

// Where descriptions start, as in coreutils' help.
constexpr std::size_t kDescriptionColumn = 24;
constexpr std::size_t kContinuationIndent = kDescriptionColumn + 2;

}  // namespace

std::span<const OptionEntry> option_table() {
    return kOptions;
}

std::vector<option> long_options() {
    std::vector<option> table;
    for (const OptionEntry& option : kOptions)
        table.push_back({option.long_name, option.argument != nullptr ? required_argument : no_argument, nullptr, option.id});
    table.push_back({nullptr, 0, nullptr, 0});
    return table;
}

std::string short_options() {
    std::string letters;
    for (const OptionEntry& option : kOptions) {
        if (option.short_name == '\0') continue;
        letters += option.short_name;
        if (option.argument != nullptr) letters += ':';
    }
    return letters;
}

std::string help_for(HelpGroup group) {
    std::string text;
    for (const OptionEntry& option : kOptions) {
        if (option.group != group) continue;
        std::string names = option.short_name != '\0' ? std::string("  -") + option.short_name + ", --" : "      --";
        names += option.long_name;
        if (option.argument != nullptr) names += std::string("=") + translate(option.argument);
        // A name too long for its column gets the description on a line of its own.
        text += names.size() + 2 <= kDescriptionColumn ? names + std::string(kDescriptionColumn - names.size(), ' ')
                                                       : names + "\n" + std::string(kDescriptionColumn, ' ');
        for (const char c : std::string(translate(option.help))) {
            text += c;
            if (c == '\n') text += std::string(kContinuationIndent, ' ');
        }
        text += '\n';
    }
    return text;
}

}  // namespace firma::cli
