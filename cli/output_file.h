// Output that replaces a file only once the run is complete (-o FILE): standard
// output goes to a new file beside it, put in its place at the end. A run that
// is interrupted or fails leaves FILE as it was, and leaves no other file
// behind where the system allows it (Linux's unnamed files; Windows deletes the
// new file when firma ends without putting it in place).
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "sign/file_signer.h"

namespace firma::cli {

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
