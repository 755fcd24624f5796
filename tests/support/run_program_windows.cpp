#include <windows.h>
#include <psapi.h>

#include <filesystem>
#include <cwchar>
#include <stdexcept>

#include "run_program.h"
#include "temp_dir.h"

namespace firma::testing {
namespace {

std::wstring wide(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end())).wstring();
}

std::string utf8(const std::wstring& text) {
    const std::u8string bytes = std::filesystem::path(text).u8string();
    return {bytes.begin(), bytes.end()};
}

// One argument as the C runtime splits a command line: quoted when it holds
// blanks or quotes or is empty, backslashes doubled only before a quote.
void append_quoted(std::wstring& line, const std::wstring& argument) {
    if (!line.empty()) line += L' ';
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) {
        line += argument;
        return;
    }
    line += L'"';
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        line += c;
    }
    line.append(backslashes * 2, L'\\');
    line += L'"';
}

class Handle {
public:
    explicit Handle(HANDLE handle = nullptr) : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() {
        if (handle_ != nullptr) CloseHandle(handle_);
    }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

Handle inherited(const std::string& path, bool write) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return Handle(CreateFileW(wide(path).c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                              write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

void set_environment_variable(const std::string& name, const std::string& value) {
    _putenv_s(name.c_str(), value.c_str());
}

RunResult run_program(const std::vector<std::string>& args, const RunStreams& streams) {
    TempDir capture;
    const std::string out = streams.out.empty() ? capture / "out" : streams.out;
    const std::string err = streams.err.empty() ? capture / "err" : streams.err;
    const Handle in_handle = inherited(streams.in.empty() ? "NUL" : streams.in, false);
    const Handle out_handle = inherited(out, true);
    const Handle err_handle = err == kClosed ? Handle() : inherited(err, true);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in_handle.get();
    startup.hStdOutput = out_handle.get();
    startup.hStdError = err_handle.get();
    std::wstring line;
    for (const auto& arg : args) append_quoted(line, wide(arg));
    const std::wstring cwd = wide(streams.cwd);
    std::vector<std::string> current;
    if (wchar_t* const block = GetEnvironmentStringsW()) {
        for (const wchar_t* entry = block; *entry != L'\0'; entry += std::wcslen(entry) + 1)
            current.push_back(utf8(entry));
        FreeEnvironmentStringsW(block);
    }
    std::wstring environment;  // entries, each ended by a NUL, then one more
    for (const auto& entry : environment_with(current, streams.environment)) environment += wide(entry) + L'\0';
    environment += L'\0';
    // A Wine server busy with another test now and then fails to start a
    // program that starts the next moment; one that cannot run fails each time.
    PROCESS_INFORMATION process{};
    DWORD error = ERROR_SUCCESS;
    for (int attempt = 0; attempt < 3; ++attempt, Sleep(200)) {
        if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                           environment.data(), cwd.empty() ? nullptr : cwd.c_str(), &startup, &process)) {
            error = ERROR_SUCCESS;
            break;
        }
        error = GetLastError();
    }
    if (error != ERROR_SUCCESS)
        throw std::runtime_error("cannot run " + args[0] + " (Windows error " + std::to_string(error) + ")");
    const Handle process_handle(process.hProcess), thread_handle(process.hThread);

    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    PROCESS_MEMORY_COUNTERS memory{};
    if (!GetProcessMemoryInfo(process.hProcess, &memory, sizeof memory)) memory.PeakWorkingSetSize = 0;
    RunResult result;
    result.exit_status = static_cast<int>(status);
    if (streams.out.empty()) result.out = read_file(out);
    if (streams.err.empty()) result.err = read_file(err);
    result.peak_rss_kib = static_cast<long>(memory.PeakWorkingSetSize / 1024);
    return result;
}

}  // namespace firma::testing
