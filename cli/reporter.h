// Everything the command line prints: result lines on stdout, messages on stderr
// and, when asked for and stderr is a terminal, a live progress line there.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>

#include "sign/batch_signer.h"

namespace firma::cli {

// Standard output could not be written: the results are lost, so firma stops.
struct WriteError : std::system_error {
    using std::system_error::system_error;
};

// The progress line: bytes read `done` of `total` (when known), at `rate`
// bytes a second: "39.5 MiB of 1.5 GiB (3%), 159 MB/s, 0:10 left".
std::string progress_text(double done, double total, bool total_known, double rate);

class Reporter {
public:
    explicit Reporter(bool progress);
    ~Reporter();
    Reporter(const Reporter&) = delete;
    Reporter& operator=(const Reporter&) = delete;

    // A result line, terminator included. Throws WriteError.
    void line(std::string_view text);
    // "firma: NAME: reason", the name quoted as coreutils does.
    void error(std::string_view name, std::string_view reason);
    // "firma: text". Never throws.
    void message(std::string_view text);

    // Where signing counts what it expects and has read, for the progress
    // line; nothing when there is none to draw.
    BatchProgress* progress() { return progress_ ? &counts_ : nullptr; }
    // Redraws the progress line if it is due.
    void tick();

private:
    void clear_progress();
    void draw_progress();

    bool progress_;
    bool stdout_on_terminal_;
    bool drawn_ = false;
    bool escapes_ = true;          // the terminal reads ANSI escapes
    std::size_t drawn_width_ = 0;  // of the line on the terminal, for clearing without escapes
    std::string text_;  // the progress line last drawn
    BatchProgress counts_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point last_draw_;
};

}  // namespace firma::cli
