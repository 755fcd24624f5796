#include <fmt/core.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <optional>
#include <vector>

#include "cli/commands.h"
#include "cli/options.h"
#include "cli/exit_status.h"
#include "cli/messages.h"
#include "cli/output_file.h"
#include "cli/quote.h"
#include "cli/reporter.h"
#include "cli/system.h"
#include "sign/fold.h"
#include "sign/sign_error.h"
#include "sign/system_errors.h"
#include "sign/translation.h"

namespace firma::cli {
namespace {

int run_command(int argc, char** argv) {
    prepare_process();
    std::setlocale(LC_ALL, "");  // which characters of a name are printable, and the messages' language
    choose_message_language();
    // Started from Explorer, firma would wait on an empty console for input
    // nobody knows it wants: it says what it is, and waits for a key instead.
    if (argc == 1 && started_on_a_console_of_its_own()) {
        print_console_note();
        std::fflush(stdout);
        wait_for_a_key();
        return finish_output(0);
    }
    // Names written into PowerShell's pipes keep their letters only when the
    // text says it is UTF-8: a byte-order mark, before any other byte.
    for (std::FILE* stream : {stdout, stderr})
        if (read_by_code_page(stream)) std::fputs("\xEF\xBB\xBF", stream);
    auto options = parse_options(argc, argv);
    if (!options) return finish_output(1);
    options->files = operands_as_meant(options->files);
    // Waiting in silence for typed input looks like a program that hangs.
    if ((options->action == Action::sign || options->action == Action::check) && options->files.empty())
        if (const auto keys = keys_ending_typed_input())
            print_error(format_message(N_("reading what you type (standard input); to end it, press {}"), *keys));
    // A build whose arithmetic gives wrong signatures signs nothing at all.
    const bool signs = options->action == Action::sign || options->action == Action::check;
    if (signs && !arithmetic_is_sound()) {
        print_error(reason_of(make_error_code(SignError::wrong_arithmetic)));
        return finish_output(2);
    }
    int status = 0;
    bool write_failed = false;
    bool completed = false;
    std::optional<OutputFile> output;
    const auto output_error = [&](const std::string& reason) {
        print_error(quote_name(*options->output) + ": " + reason);
    };
    try {
        std::vector<FileIdentity> leave_out;
        if (options->output && options->action == Action::sign) {
            try {
                output.emplace(*options->output);
            } catch (const OutputRefused& error) {
                print_error(quote_name(error.name) + ": " + reason_of(error.code()));
                return finish_output(1);
            } catch (const std::system_error& error) {
                output_error(reason_of(error.code()));
                return finish_output(1);
            }
            if (const auto replaced = output->replaced()) leave_out.push_back(*replaced);
        }
        switch (options->action) {
            case Action::help: print_help(); break;
            case Action::version: print_version(); break;
            case Action::sign: status = sign_command(*options, std::move(leave_out)); break;
            case Action::check: status = check_command(*options); break;
        }
        completed = true;
    } catch (const WriteError& error) {
        print_write_error(error.code());
        status = 1;
        write_failed = true;
    } catch (const std::system_error& error) {  // the system refused what firma needs to run
        // what() is "what failed: reason", the reason in the C runtime's words;
        // it is said again in the user's language.
        std::string what = error.what();
        if (const std::string reason = ": " + error.code().message(); what.ends_with(reason))
            what.resize(what.size() - reason.size());
        print_error(what + ": " + reason_of(error.code()));
        status = 1;
    }
    // -o: the file is replaced only by a run that signed every file and wrote
    // every line; otherwise the list it holds stays as it was, nothing lost.
    if (output) {
        const bool written = completed && std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
        if (written && status == 0) {
            try {
                output->commit();
            } catch (const std::system_error& error) {
                output_error(reason_of(error.code()));
                status = 1;
            }
        } else {
            if (written) output_error(_("not written, as some files could not be signed"));
            status = 1;
        }
    }
    return finish_output(status, write_failed);
}

// Whether there is memory enough to start: where there is not, even the
// exception that would say so cannot be made, and the C++ runtime aborts.
bool room_to_start() {
    constexpr std::size_t kRoom = 128 * 1024;  // the C++ runtime's own reserve for exceptions, and more
    void* volatile room = std::malloc(kRoom);  // volatile: asked for, never assumed to succeed
    const bool had = room != nullptr;
    std::free(room);
    return had;
}

}  // namespace

int run(int argc, char** argv) {
    if (!room_to_start()) {
        static constexpr char kExhausted[] = "firma: memory exhausted\n";
        write_from_interrupt(kExhausted, sizeof kExhausted - 1);
        return 1;
    }
    try {
        return run_command(argc, argv);
    } catch (const std::bad_alloc&) {  // the lines printed so far stand
        print_error(_("memory exhausted"));
        return finish_output(1);
    }
}

}  // namespace firma::cli
