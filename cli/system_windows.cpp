// The command line's system calls on Windows.
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>
#include <system_error>

#include "cli/system.h"
#include "sign/file_identity_windows.h"
#include "sign/system_errors.h"
#include "language/translation.h"
#include "sign/utf8.h"
#include "sign/windows_paths.h"

namespace firma::cli {
namespace {

void (*g_clear)() = nullptr;

// Returning FALSE lets the next handler, the default one, end the process.
BOOL WINAPI clear_then_die(DWORD) {
    if (g_clear != nullptr) g_clear();
    return FALSE;
}

}  // namespace

// The NUL device is a character device too, which _isatty counts: only a
// console has a console mode.
std::optional<std::string> keys_ending_typed_input() {
    DWORD mode = 0;
    if (!GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode)) return std::nullopt;
    return _("Ctrl+Z, then Enter");
}

bool is_terminal(std::FILE* stream) {
    return _isatty(_fileno(stream)) != 0;
}

bool write_text(std::FILE* stream, std::string_view text) {
    const HANDLE console = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    if (!GetConsoleMode(console, &mode)) return std::fwrite(text.data(), 1, text.size(), stream) == text.size();
    // Bytes written to a console are read in its code page, and the C runtime
    // hands them over piecemeal: a name with 'ñ' would show as two wrong signs.
    std::fflush(stream);
    std::wstring wide(text.size(), L'\0');
    wide.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                                             wide.data(), static_cast<int>(wide.size()))));
    for (std::size_t at = 0; at < wide.size();) {
        DWORD written = 0;
        if (!WriteConsoleW(console, wide.data() + at, static_cast<DWORD>(wide.size() - at), &written, nullptr) ||
            written == 0) {
            _doserrno = 0;  // no Windows error of the C runtime's to go by
            errno = EIO;
            return false;
        }
        at += written;
    }
    return true;
}

namespace {

// The process whose pipe `stream` writes into: the one that made the pipe
// (named pipes and anonymous ones alike; PowerShell makes its own), or where
// the system cannot say, the process that started firma.
DWORD pipe_reader(HANDLE pipe) {
    ULONG server = 0;
    if (GetNamedPipeServerProcessId(pipe, &server) && server != GetCurrentProcessId()) return server;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    DWORD parent = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (entry.th32ProcessID == GetCurrentProcessId()) parent = entry.th32ParentProcessID;
    CloseHandle(snapshot);
    return parent;
}

// The file name of a process's program, upper-cased; empty where it cannot be known.
std::wstring program_name(DWORD process) {
    const HANDLE handle = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process);
    if (handle == nullptr) return {};
    std::wstring path(MAX_PATH, L'\0');
    DWORD size = static_cast<DWORD>(path.size());
    const bool known = QueryFullProcessImageNameW(handle, 0, path.data(), &size);
    CloseHandle(handle);
    if (!known) return {};
    path.resize(size);
    std::wstring name = path.substr(path.find_last_of(L"\\/") + 1);
    CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
    return name;
}

}  // namespace

// Windows PowerShell 5.1 and PowerShell 7 (and the ISE) decode a redirected
// native program's output in the console's code page; a UTF-8 byte-order
// mark at the start makes them decode it as UTF-8. Other readers of a pipe
// (cmd, Git Bash, Python) and files get the bytes alone.
bool read_by_code_page(std::FILE* stream) {
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    if (GetFileType(handle) != FILE_TYPE_PIPE) return false;
    const DWORD reader = pipe_reader(handle);
    if (reader == 0) return false;
    const std::wstring name = program_name(reader);
    return name == L"POWERSHELL.EXE" || name == L"PWSH.EXE" || name == L"POWERSHELL_ISE.EXE";
}

namespace {

// An empty file another program holds open for writing: refused when asked
// for reading that shares reading alone.
std::optional<FileIdentity> written_by_another(const std::filesystem::path& path) {
    const std::wstring wide = long_form(path);
    const HANDLE alone = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (alone != INVALID_HANDLE_VALUE) CloseHandle(alone);
    if (alone != INVALID_HANDLE_VALUE || GetLastError() != ERROR_SHARING_VIOLATION) return std::nullopt;
    const HANDLE shared = CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    if (shared == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION information{};
    const bool known = GetFileInformationByHandle(shared, &information);
    CloseHandle(shared);
    if (!known || (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
        information.nFileSizeHigh != 0 || information.nFileSizeLow != 0)
        return std::nullopt;
    return identity_of(information);
}

}  // namespace

std::vector<FileIdentity> files_the_reader_writes(const std::vector<std::string>& operands) {
    std::vector<FileIdentity> found;
    if (!read_by_code_page(stdout)) return found;
    const auto consider = [&](const std::filesystem::path& path) {
        if (const auto identity = written_by_another(path)) found.push_back(*identity);
    };
    for (const std::string& operand : operands) {
        const auto path = path_of_utf8(operand);
        if (!path) continue;
        const DWORD attributes = GetFileAttributesW(long_form(*path).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) continue;
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            consider(*path);
            continue;
        }
        WIN32_FIND_DATAW entry{};
        const HANDLE listing = FindFirstFileExW(long_form(*path / L"*").c_str(), FindExInfoBasic, &entry,
                                                FindExSearchNameMatch, nullptr, 0);
        if (listing == INVALID_HANDLE_VALUE) continue;
        do {
            const bool empty_file = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
                                    entry.nFileSizeHigh == 0 && entry.nFileSizeLow == 0;
            if (empty_file) consider(*path / entry.cFileName);
        } while (FindNextFileW(listing, &entry));
        FindClose(listing);
    }
    return found;
}

// Alone on its console, and with input that is not a file or pipe: a program
// run with its input redirected (a scheduled task, say) still reads it.
bool started_on_a_console_of_its_own() {
    DWORD processes[2];
    const DWORD input = GetFileType(GetStdHandle(STD_INPUT_HANDLE));
    return GetConsoleProcessList(processes, 2) == 1 && input != FILE_TYPE_DISK && input != FILE_TYPE_PIPE;
}

void wait_for_a_key() {
    const HANDLE keyboard = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, 0, nullptr);
    if (keyboard == INVALID_HANDLE_VALUE) return;
    FlushConsoleInputBuffer(keyboard);
    INPUT_RECORD record{};
    DWORD read = 0;
    while (ReadConsoleInputW(keyboard, &record, 1, &read) && read == 1)
        if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown) break;
    CloseHandle(keyboard);
}



// A console is drawn on with \r and spaces, which every console reads the same
// way. Escapes would need its virtual-terminal mode, which consoles before
// Windows 10 lack and some that accept it do not honour (Wine's); and a mode
// changed for the run would stay changed for the shell if firma were killed.
bool begin_progress_line(void (*clear)()) {
    g_clear = clear;
    SetConsoleCtrlHandler(clear_then_die, TRUE);
    return false;
}

void remove_on_interrupt(const char*) {}

void end_progress_line() {
    SetConsoleCtrlHandler(clear_then_die, FALSE);
}

void write_from_interrupt(const char* text, std::size_t size) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, static_cast<DWORD>(size), &written, nullptr);
}

// Lists and signatures cross between systems byte for byte: no CRLF
// translation on the standard streams.
void prepare_process() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

// The readme installed beside firma.exe, by its whole path, which can be pasted.
std::string full_documentation() {
    std::wstring program(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, program.data(), static_cast<DWORD>(program.size()));
        if (length == 0) return _("LEEME.txt, beside firma.exe");
        if (length < program.size()) {
            program.resize(length);
            break;
        }
        program.resize(program.size() * 2);
    }
    const std::filesystem::path readme = std::filesystem::path(program).parent_path() / L"LEEME.txt";
    return utf8_of_path(readme);
}

}  // namespace firma::cli
