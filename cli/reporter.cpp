#include "cli/reporter.h"

#include <fmt/core.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/exit_status.h"
#include "language/messages.h"
#include "cli/quote.h"
#include "cli/system.h"
#include "language/translation.h"
#include "sign/system_errors.h"

namespace firma::cli {
namespace {

constexpr char kClearLine[] = "\r\033[K";
// A terminal that reads no escapes has the line overwritten with spaces.
constexpr std::size_t kWidest = 200;

// What an interrupt must clear: whether a progress line stands on the
// terminal, how wide it is, and how the terminal is cleared.
std::atomic<bool> g_progress_drawn{false};
std::atomic<std::size_t> g_drawn_width{0};
std::atomic<bool> g_escapes{true};

// The text that takes the drawn line off the terminal, without allocating.
void clear_drawn_line() {
    if (!g_progress_drawn.load()) return;
    if (g_escapes.load()) {
        write_from_interrupt(kClearLine, sizeof kClearLine - 1);
        return;
    }
    static char blanks[kWidest + 2];
    const std::size_t width = std::min(g_drawn_width.load(), kWidest);
    blanks[0] = '\r';
    std::memset(blanks + 1, ' ', width);
    write_from_interrupt(blanks, width + 1);
    write_from_interrupt("\r", 1);
}

// One decimal, with the decimal mark the language writes.
std::string bytes_text(double bytes) {
    constexpr const char* kUnits[] = {"B", "KiB", "MiB", "GiB", "TiB"};
    int unit = 0;
    while (bytes >= 1024 && unit < 4) {
        bytes /= 1024;
        ++unit;
    }
    if (unit == 0) return fmt::format("{:.0f} B", bytes);
    std::string number = fmt::format("{:.1f}", bytes);
    // TRANSLATORS: the mark between the whole and the tenths in "39.5 MiB".
    number.replace(number.find('.'), 1, translate_in_context("decimal mark", "."));
    return number + " " + kUnits[unit];
}

std::string duration_text(double seconds) {
    const auto whole = static_cast<long>(seconds + 0.5);
    if (whole >= 3600) return fmt::format("{}:{:02}:{:02}", whole / 3600, whole / 60 % 60, whole % 60);
    return fmt::format("{}:{:02}", whole / 60, whole % 60);
}

}  // namespace

Reporter::Reporter(bool progress)
    : progress_(progress && is_terminal(stderr)),
      stdout_on_terminal_(is_terminal(stdout)),
      start_(std::chrono::steady_clock::now()),
      last_draw_(start_) {
    if (progress_) g_escapes = escapes_ = begin_progress_line(clear_drawn_line);
}

Reporter::~Reporter() {
    clear_progress();
    if (progress_) end_progress_line();
}

void Reporter::clear_progress() {
    if (!drawn_) return;
    if (escapes_)
        std::fputs(kClearLine, stderr);
    else
        std::fputs(("\r" + std::string(drawn_width_, ' ') + "\r").c_str(), stderr);
    drawn_ = false;
    drawn_width_ = 0;
    g_progress_drawn = false;
}

void Reporter::draw_progress() {
    std::fflush(stdout);
    // Without escapes, spaces cover what is left of a wider line drawn before.
    const std::size_t covered = std::max(drawn_width_, text_.size());
    const std::string text = "\r" + text_ + (escapes_ ? "\033[K" : std::string(covered - text_.size(), ' '));
    drawn_width_ = std::min(covered, kWidest);
    g_drawn_width = drawn_width_;
    g_progress_drawn = true;
    write_text(stderr, text);
    drawn_ = true;
}

void Reporter::line(std::string_view text) {
    // On a shared terminal the result goes above the progress line, which stays.
    const bool redraw = drawn_ && stdout_on_terminal_;
    if (redraw) clear_progress();
    // One write per line: a reader sees each line as soon as it is known, and
    // never half of one.
    if (!write_text(stdout, text) || std::fflush(stdout) != 0)
        throw WriteError(last_stream_error());
    if (redraw) draw_progress();
}

void Reporter::error(std::string_view name, std::string_view reason) {
    message(fmt::format("{}: {}", quote_name(name), reason));
}

void Reporter::message(std::string_view text) {
    const bool redraw = drawn_;
    clear_progress();
    std::fflush(stdout);  // keep the two streams in order where they meet
    print_error(text);
    if (redraw) draw_progress();
}

void Reporter::tick() {
    if (!progress_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - last_draw_ < std::chrono::milliseconds(250)) return;
    last_draw_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const std::uint64_t read = counts_.done;
    const bool total_known = !counts_.total_unknown;
    const auto done = static_cast<double>(read);
    const auto total = static_cast<double>(std::max(counts_.expected.load(), read));
    const double rate = seconds > 0 ? done / seconds : 0;
    text_ = progress_text(done, total, total_known, rate);
    draw_progress();
}

std::string progress_text(double done, double total, bool total_known, double rate) {
    // TRANSLATORS: "39.5 MiB of 1.5 GiB".
    std::string text = total_known ? format_message(N_("{} of {}"), bytes_text(done), bytes_text(total))
                                   : bytes_text(done);
    if (total_known && total > 0) {
        // TRANSLATORS: a percentage done, "3%".
        text += " (" + format_message(N_("{}%"), fmt::format("{:.0f}", 100 * done / total)) + ")";
    }
    text += fmt::format(", {:.0f} MB/s", rate / 1e6);
    // TRANSLATORS: the time still to go, "0:10".
    if (total_known && rate > 0) text += ", " + format_message(N_("{} left"), duration_text((total - done) / rate));
    return text;
}

}  // namespace firma::cli
