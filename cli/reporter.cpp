#include "cli/reporter.h"

#include <fmt/core.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <system_error>

#include "cli/quote.h"

namespace firma::cli {
namespace {

std::string bytes_text(double bytes) {
    constexpr const char* kUnits[] = {"B", "KiB", "MiB", "GiB", "TiB"};
    int unit = 0;
    while (bytes >= 1024 && unit < 4) {
        bytes /= 1024;
        ++unit;
    }
    return unit == 0 ? fmt::format("{:.0f} B", bytes) : fmt::format("{:.1f} {}", bytes, kUnits[unit]);
}

std::string duration_text(double seconds) {
    const auto whole = static_cast<long>(seconds + 0.5);
    if (whole >= 3600) return fmt::format("{}:{:02}:{:02}", whole / 3600, whole / 60 % 60, whole % 60);
    return fmt::format("{}:{:02}", whole / 60, whole % 60);
}

}  // namespace

Reporter::Reporter(bool progress)
    : progress_(progress && ::isatty(STDERR_FILENO) == 1),
      stdout_on_terminal_(::isatty(STDOUT_FILENO) == 1),
      start_(std::chrono::steady_clock::now()),
      last_draw_(start_) {}

Reporter::~Reporter() {
    clear_progress();
}

void Reporter::clear_progress() {
    if (!drawn_) return;
    std::fputs("\r\033[K", stderr);
    drawn_ = false;
}

void Reporter::draw_progress() {
    std::fflush(stdout);
    fmt::print(stderr, "\r{}\033[K", text_);
    std::fflush(stderr);
    drawn_ = true;
}

void Reporter::line(std::string_view text) {
    // On a shared terminal the result goes above the progress line, which stays.
    const bool redraw = drawn_ && stdout_on_terminal_;
    if (redraw) clear_progress();
    // One write per line: a reader sees each line as soon as it is known, and
    // never half of one.
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)
        throw std::system_error(errno, std::system_category(), "write error");
    if (redraw) draw_progress();
}

void Reporter::error(std::string_view name, std::string_view reason) {
    message(fmt::format("{}: {}", quote_name(name), reason));
}

void Reporter::message(std::string_view text) {
    const bool redraw = drawn_;
    clear_progress();
    std::fflush(stdout);  // keep the two streams in order where they meet
    fmt::print(stderr, "firma: {}\n", text);
    if (redraw) draw_progress();
}

void Reporter::tick() {
    if (!progress_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - last_draw_ < std::chrono::milliseconds(250)) return;
    last_draw_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const auto done = static_cast<double>(done_.load());
    const auto total = static_cast<double>(std::max(total_, done_.load()));
    const double rate = seconds > 0 ? done / seconds : 0;
    std::string text = fmt::format("{} of {}", bytes_text(done), bytes_text(total));
    if (total > 0) text += fmt::format(" ({:.0f}%)", 100 * done / total);
    text += fmt::format(", {:.0f} MB/s", rate / 1e6);
    if (rate > 0) text += fmt::format(", {} left", duration_text((total - done) / rate));
    text_ = std::move(text);
    draw_progress();
}

}  // namespace firma::cli
