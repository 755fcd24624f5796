// Every option of firma, once: its names, its argument, the modes it means
// something in, and its help. The getopt table, --help and the error for an
// option given in a mode it has no meaning in are all made from it.
#pragma once

#include <getopt.h>

#include <span>
#include <string>
#include <vector>

namespace firma::cli {

// What getopt returns for each option: its letter, or past every letter.
enum OptionId : int {
    kBinary = 'b',
    kCheck = 'c',
    kText = 't',
    kZero = 'z',
    kRecursive = 'r',
    kDereference = 'L',
    kJobs = 'j',
    kOutput = 'o',
    kWarn = 'w',
    kHelp = 'h',
    kTag = 256,
    kQuiet,
    kStatus,
    kStrict,
    kIgnoreMissing,
    kProgress,
    kAll,
    kVersion,
    kDigest,
    kAudit,
};

enum Modes : unsigned { kSigning = 1, kChecking = 2, kEitherMode = kSigning | kChecking };

// The help's paragraphs.
enum class HelpGroup { general, checking, information };

struct OptionEntry {
    OptionId id;
    const char* long_name;
    char short_name;       // '\0': a long name only
    const char* argument;  // N_(), as the help names it; nullptr: takes none
    unsigned modes;
    // N_(): the error where the option has no meaning; nullptr: the usual wording.
    const char* misplaced;
    HelpGroup group;
    const char* help;  // N_(): each line after the first is indented below it
};

// In the help's order. When several options are out of place, the first of
// them here is the one reported, in the order coreutils' digest tools test
// theirs; and getopt lists an ambiguous abbreviation's candidates in this order.
std::span<const OptionEntry> option_table();

// The getopt_long tables made from it: long options (ending with a zero
// entry) and short ones.
std::vector<option> long_options();
std::string short_options();

// The help's lines for one paragraph, in the user's language.
std::string help_for(HelpGroup group);

}  // namespace firma::cli
