// The command line from start to exit: prepare the process, act on the
// options, commit -o's list, and leave through one exit, finish_output(),
// which flushes standard output and says what could not be written.
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/exit_status.h"
#include "language/messages.h"
#include "cli/options.h"
#include "cli/output_file.h"
#include "cli/quote.h"
#include "cli/reporter.h"
#include "cli/system.h"
#include "sign/fold.h"
#include "sign/sign_error.h"
#include "sign/system_errors.h"
#include "language/translation.h"

namespace firma::cli {
namespace {

// Where a run ends: its exit status, and whether a lost write was already said.
struct Outcome {
    int status = 0;
    bool write_reported = false;
};

// Whether there is memory enough to start: where there is not, even the
// exception that would say so cannot be made, and the C++ runtime aborts.
bool room_to_start() {
    constexpr std::size_t kRoom = 128 * 1024;  // the C++ runtime's own reserve for exceptions, and more
    void* volatile room = std::malloc(kRoom);  // volatile: asked for, never assumed to succeed
    const bool had = room != nullptr;
    std::free(room);
    return had;
}

// The process, the locale (which characters of a name are printable) and the
// messages' language; then, where PowerShell reads a stream, the byte-order
// mark it needs to keep a name's letters, before any other byte.
void prepare() {
    prepare_process();
    std::setlocale(LC_ALL, "");
    choose_message_language();
}

void mark_streams_read_by_code_page() {
    for (std::FILE* stream : {stdout, stderr})
        if (read_by_code_page(stream)) std::fputs("\xEF\xBB\xBF", stream);
}

bool signs(const Options& options) {
    return options.action == Action::sign || options.action == Action::check;
}

int perform(const Options& options, std::vector<FileIdentity> leave_out) {
    switch (options.action) {
        case Action::help: print_help(); return 0;
        case Action::version: print_version(); return 0;
        case Action::sign: return sign_command(options, std::move(leave_out));
        case Action::check: return check_command(options);
    }
    return 0;
}

// -o: the file is replaced only by a run that signed every file and wrote
// every line; otherwise the list it holds stays as it was, nothing lost.
int commit(OutputFile& output, const std::string& name, bool completed, int status) {
    const bool written = completed && std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
    if (!written) return 1;
    if (status != 0) {
        print_error(quote_name(name) + ": " + _("not written, as some files could not be signed"));
        return 1;
    }
    try {
        output.commit();
        return 0;
    } catch (const std::system_error& error) {
        print_error(quote_name(name) + ": " + reason_of(error.code()));
        return 1;
    }
}

// The action the options ask for, with -o's list opened before and committed
// after; every failure is said here.
Outcome act(const Options& options) {
    std::optional<OutputFile> output;
    std::vector<FileIdentity> leave_out;
    if (options.output && options.action == Action::sign) {
        try {
            output.emplace(*options.output);
        } catch (const OutputRefused& error) {
            print_error(quote_name(error.name) + ": " + reason_of(error.code()));
            return {1};
        } catch (const std::system_error& error) {
            print_error(quote_name(*options.output) + ": " + reason_of(error.code()));
            return {1};
        }
        if (const auto replaced = output->replaced()) leave_out.push_back(*replaced);
    }
    Outcome outcome;
    bool completed = false;
    try {
        outcome.status = perform(options, std::move(leave_out));
        completed = true;
    } catch (const WriteError& error) {
        print_write_error(error.code());
        outcome = {1, true};
    } catch (const std::system_error& error) {  // the system refused what firma needs to run
        print_error(in_users_words(error));
        outcome.status = 1;
    }
    if (output) outcome.status = commit(*output, *options.output, completed, outcome.status);
    return outcome;
}

Outcome run_command(int argc, char** argv) {
    prepare();
    // Started from Explorer, firma would wait on an empty console for input
    // nobody knows it wants: it says what it is, and waits for a key instead.
    if (argc == 1 && started_on_a_console_of_its_own()) {
        print_console_note();
        std::fflush(stdout);
        wait_for_a_key();
        return {};
    }
    mark_streams_read_by_code_page();
    auto options = parse_options(argc, argv);
    if (!options) return {1};
    options->files = operands_as_meant(options->files);
    // Waiting in silence for typed input looks like a program that hangs.
    if (signs(*options) && options->files.empty())
        if (const auto keys = keys_ending_typed_input())
            print_error(format_message(N_("reading what you type (standard input); to end it, press {}"), *keys));
    // A build whose arithmetic gives wrong signatures signs nothing at all.
    if (signs(*options) && !arithmetic_is_sound()) {
        print_error(reason_of(make_error_code(SignError::wrong_arithmetic)));
        return {2};
    }
    return act(*options);
}

}  // namespace

int run(int argc, char** argv) {
    if (!room_to_start()) {  // before any stream is touched
        static constexpr char kExhausted[] = "firma: memory exhausted\n";
        write_from_interrupt(kExhausted, sizeof kExhausted - 1);
        return 1;
    }
    Outcome outcome;
    try {
        outcome = run_command(argc, argv);
    } catch (const std::bad_alloc&) {  // the lines printed so far stand
        print_error(_("memory exhausted"));
        outcome = {1};
    }
    return finish_output(outcome.status, outcome.write_reported);
}

}  // namespace firma::cli
