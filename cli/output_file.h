// Output that replaces a file only once the run is complete (-o FILE): standard
// output goes to a new file beside it, put in its place at the end. A run that
// is interrupted or fails leaves FILE as it was, and leaves no other file
// behind (Linux's unnamed files; elsewhere a named one, removed on any signal
// that can be caught, and by the next run if firma was killed; Windows deletes
// the new file when firma ends without putting it in place).
// On POSIX systems FILE keeps its owner, group, mode and extended attributes;
// a FILE with several hard links, or in a folder that takes no new file, is
// rewritten in place at the end instead. A FIFO, a device or a descriptor of
// firma's own (/dev/stdout, /proc/self/fd/N) is written into as the run goes,
// as the shell's `>` would, and never replaced.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "sign/file_signer.h"

namespace firma::cli {

// What refused the output, when that is not FILE itself (its folder).
struct OutputRefused : std::system_error {
    OutputRefused(std::error_code code, std::string refused_by) : std::system_error(code), name(std::move(refused_by)) {}
    std::string name;
};

class OutputFile {
public:
    // Sends standard output to the new file. Throws std::system_error with the
    // system's reason when FILE's folder cannot take it, or FILE is a folder.
    explicit OutputFile(const std::string& name);
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    // The file being replaced, when there is one: it is never signed.
    std::optional<FileIdentity> replaced() const;

    // Puts what was written in FILE's place (with FILE's permissions, where it
    // had some). Call once standard output has been flushed without an error.
    // Throws std::system_error.
    void commit();

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace firma::cli
