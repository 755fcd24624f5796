// What the command line needs from the operating system, one implementation per
// system (system_posix.cpp, system_windows.cpp). Names inside firma are bytes on
// POSIX systems and UTF-8 on Windows; sign/utf8.h makes them the system's paths.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "sign/file_signer.h"

namespace firma::cli {

bool is_terminal(std::FILE* stream);

// Writes UTF-8 text to a standard stream in one piece: as bytes, or, on a
// Windows console, as UTF-16, which shows whatever the console's code page.
// False (errno set) if it could not be written.
bool write_text(std::FILE* stream, std::string_view text);

// The operands as the user meant them. On Windows, where no shell expands
// wildcards, `*` and `?` in an operand's last component are expanded here
// (wildcards_windows.cpp; a folder typed as "C:\Mis Fotos\" is mended before,
// in main_windows.cpp). POSIX shells have done both.
std::vector<std::string> operands_as_meant(const std::vector<std::string>& operands);

// Where the full documentation is, for --help: the man page on POSIX systems,
// the readme beside the program on Windows.
std::string full_documentation();

// Whether what goes to `stream` is read by a program that decodes it in a code
// page unless it starts with a byte-order mark: PowerShell, which reads a
// redirected program's output through a pipe of its own in the console's OEM
// code page (cp850, cp437), and so would turn every name with 'ñ' into another.
// Never on POSIX systems, where output is bytes.
bool read_by_code_page(std::FILE* stream);

// When standard input is a terminal or a console, the keys that end what is
// typed there ("Ctrl+D"; on Windows "Ctrl+Z, then Enter"); else nothing.
std::optional<std::string> keys_ending_typed_input();

// Files the program reading standard output is writing into, to be left out:
// PowerShell's `>` creates its file before it starts the program it runs,
// then takes the program's output through a pipe, so firma cannot know the
// file from its own output. Where the reader is PowerShell, the files among
// the operands, and directly in the folders among them, that are empty and
// that another program holds open for writing are taken to be that file.
// Nothing on POSIX systems, where a shell's redirection is the output itself.
std::vector<FileIdentity> files_the_reader_writes(const std::vector<std::string>& operands);

// Whether firma was started on a console of its own with the keyboard as its
// input, as a double-click in Explorer starts it: never on POSIX systems.
bool started_on_a_console_of_its_own();
// Waits until a key is pressed on firma's console.
void wait_for_a_key();

// While a progress line stands on standard error, a terminal, from
// begin_progress_line() to end_progress_line(): an interrupt (Ctrl-C, a kill)
// first calls `clear`, which may only write to standard error, then ends the
// process as the interrupt would have. Interrupts the caller ignores stay
// ignored. Returns whether the line may be drawn with ANSI escapes (POSIX
// terminals); where not (Windows consoles), it is drawn with \r and spaces.
bool begin_progress_line(void (*clear)());
void end_progress_line();
// Names a file to remove if a signal ends firma (nullptr: none any more), for
// the new file of -o where the system has no unnamed files. The name must stay
// valid while it is set. Nothing on Windows, which removes such files itself.
void remove_on_interrupt(const char* name);
// Writes to standard error from an interrupt.
void write_from_interrupt(const char* text, std::size_t size);

// A closed standard stream gets a stand-in that fails like a closed one, so that
// no file firma opens can take its number. Raises the open-files limit as far
// as allowed: a deep walk holds one descriptor per folder level.
void prepare_process();

}  // namespace firma::cli
