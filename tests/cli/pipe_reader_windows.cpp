// A stand-in for a shell that runs a program with its output on pipes of its
// own, built twice: as powershell.exe, it decodes what it reads as Windows
// PowerShell does; under any other name, it keeps the bytes.
//
//   powershell.exe CODE_PAGE OUT ERR PROGRAM [ARGUMENT]...
//
// Standard output and error go to two pipes the stand-in makes (its own end is
// the pipe's server, as with .NET's Process). With a code page, each stream is
// decoded as .NET's StreamReader does with detectEncodingFromByteOrderMarks: a
// UTF-8 or UTF-16 byte-order mark wins, else the code page (850, 437). Then it
// is written as PowerShell 5.1's `>` writes: UTF-16LE with a byte-order mark,
// each line ended by CRLF. With "bytes" for the code page, the bytes are
// written as read (cmd, Git Bash, PowerShell 7.4's `native > file`). As
// PowerShell's Out-File does, it creates OUT before it starts the program, and
// holds it open for writing, sharing reading only. Exits with the program's
// status.
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string read_all(HANDLE pipe) {
    std::string bytes;
    char buffer[4096];
    DWORD count = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &count, nullptr) && count > 0) bytes.append(buffer, count);
    return bytes;
}

std::wstring decode(const std::string& bytes, UINT code_page) {
    const auto widen = [](UINT page, std::string_view text) {
        std::wstring wide(text.size(), L'\0');
        wide.resize(static_cast<std::size_t>(MultiByteToWideChar(page, 0, text.data(), static_cast<int>(text.size()),
                                                                 wide.data(), static_cast<int>(wide.size()))));
        return wide;
    };
    const std::string_view text(bytes);
    if (text.starts_with("\xEF\xBB\xBF")) return widen(CP_UTF8, text.substr(3));
    if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF")) {
        const bool big_endian = text[0] == '\xFE';
        std::wstring wide;
        for (std::size_t at = 2; at + 1 < text.size(); at += 2) {
            const auto first = static_cast<unsigned char>(text[at]), second = static_cast<unsigned char>(text[at + 1]);
            wide.push_back(static_cast<wchar_t>(big_endian ? first << 8 | second : second << 8 | first));
        }
        return wide;
    }
    return widen(code_page, text);
}

// What `>` writes: UTF-16LE with a byte-order mark, a CRLF after each line
// (lines end at CR, LF or CRLF, as ReadLine reads them).
std::string as_redirected(const std::wstring& text) {
    std::wstring lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find_first_of(L"\r\n", at);
        lines += text.substr(at, end - at) + L"\r\n";
        if (end == std::wstring::npos) break;
        at = end + (text.compare(end, 2, L"\r\n") == 0 ? 2 : 1);
    }
    std::string bytes = "\xFF\xFE";
    for (const wchar_t unit : lines) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
}

std::wstring quoted(const std::wstring& argument) {
    return argument.find_first_of(L" \t") == std::wstring::npos ? argument : L"\"" + argument + L"\"";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 5) {
        std::fputs("usage: powershell.exe CODE_PAGE|bytes OUT ERR PROGRAM [ARGUMENT]...\n", stderr);
        return 2;
    }
    const std::wstring mode = argv[1];
    const bool bytes = mode == L"bytes";
    const HANDLE list = CreateFileW(argv[2], GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (list == INVALID_HANDLE_VALUE) return 2;
    std::wstring command;
    for (int i = 4; i < argc; ++i) command += (i > 4 ? L" " : L"") + quoted(argv[i]);

    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE out_read, out_write, err_read, err_write;
    if (!CreatePipe(&out_read, &out_write, &inherited, 0) || !CreatePipe(&err_read, &err_write, &inherited, 0)) return 2;
    SetHandleInformation(out_read, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(err_read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out_write;
    startup.hStdError = err_write;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        std::fprintf(stderr, "cannot start the program (error %lu)\n", GetLastError());
        return 2;
    }
    CloseHandle(out_write);
    CloseHandle(err_write);
    std::string err;
    std::thread errors([&] { err = read_all(err_read); });
    const std::string out = read_all(out_read);
    errors.join();
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 2;
    GetExitCodeProcess(process.hProcess, &status);

    const UINT code_page = bytes ? 0 : static_cast<UINT>(std::wcstoul(mode.c_str(), nullptr, 10));
    const auto as_saved = [&](const std::string& text) { return bytes ? text : as_redirected(decode(text, code_page)); };
    const std::string saved = as_saved(out);
    DWORD written = 0;
    WriteFile(list, saved.data(), static_cast<DWORD>(saved.size()), &written, nullptr);
    CloseHandle(list);
    std::ofstream(std::filesystem::path(argv[3]), std::ios::binary) << as_saved(err);
    return static_cast<int>(status);
}
