// The command line's system calls on POSIX systems.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "cli/system.h"
#include "sign/system_errors.h"

namespace firma::cli {
namespace {

// The signals that end a process and can be caught.
constexpr int kInterrupts[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGALRM, SIGUSR1, SIGUSR2,
                               SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF};
void (*volatile g_clear)() = nullptr;
const char* volatile g_remove = nullptr;

extern "C" void clear_then_die(int signal_number) {
    if (g_clear != nullptr) g_clear();
    if (g_remove != nullptr) ::unlink(g_remove);
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
}

// The handler stands for as long as either needs it. Signals the caller
// ignores stay ignored.
void catch_interrupts(bool wanted) {
    for (const int signal_number : kInterrupts) {
        struct sigaction old {};
        if (::sigaction(signal_number, nullptr, &old) != 0 || old.sa_handler == SIG_IGN) continue;
        if (!wanted && old.sa_handler != clear_then_die) continue;
        struct sigaction action {};
        action.sa_handler = wanted ? clear_then_die : SIG_DFL;
        sigemptyset(&action.sa_mask);
        ::sigaction(signal_number, &action, nullptr);
    }
}

}  // namespace

bool is_terminal(std::FILE* stream) {
    return ::isatty(::fileno(stream)) == 1;
}

std::optional<std::string> keys_ending_typed_input() {
    if (::isatty(STDIN_FILENO) != 1) return std::nullopt;
    return "Ctrl+D";
}

std::vector<FileIdentity> files_the_reader_writes(const std::vector<std::string>&) {
    return {};
}

bool started_on_a_console_of_its_own() {
    return false;
}

bool read_by_code_page(std::FILE*) {
    return false;
}

void wait_for_a_key() {}

std::vector<std::string> operands_as_meant(const std::vector<std::string>& operands) {
    return operands;
}

std::string full_documentation() {
    return "man firma";
}

bool write_text(std::FILE* stream, std::string_view text) {
    return std::fwrite(text.data(), 1, text.size(), stream) == text.size();
}



bool begin_progress_line(void (*clear)()) {
    g_clear = clear;
    catch_interrupts(true);
    return true;
}

void end_progress_line() {
    g_clear = nullptr;
    catch_interrupts(g_remove != nullptr);
}

void remove_on_interrupt(const char* name) {
    g_remove = name;
    catch_interrupts(name != nullptr || g_clear != nullptr);
}

void write_from_interrupt(const char* text, std::size_t size) {
    [[maybe_unused]] const auto ignored = ::write(STDERR_FILENO, text, size);
}

void prepare_process() {
    // Opened the wrong way round: reading fd 0 or writing fd 1 or 2 fails with
    // EBADF, as it would if it were closed.
    const int stand_in[] = {O_WRONLY, O_RDONLY, O_RDONLY};
    for (int fd = 0; fd < 3; ++fd) {
        if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
        const int opened = ::open("/dev/null", stand_in[fd]);
        if (opened >= 0 && opened != fd) ::close(opened);  // fd was taken meanwhile
    }
    rlimit files{};
    if (::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &files);
    }
}

}  // namespace firma::cli
