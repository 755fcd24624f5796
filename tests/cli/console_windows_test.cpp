// On a Windows console, names show as they are, whatever its code page: the
// test gives itself a console on code page 437, runs firma there and reads
// back what the console shows.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "temp_dir.h"

namespace firma {
namespace {

struct Shown {
    std::wstring text;       // the first rows of the screen, each ended by \n, blanks trimmed
    bool mode_kept = false;  // the console's mode after the run is the one before
};

// Runs `command` in `folder` on a console of the test's own and reads back what
// the console shows.
Shown shown_after(std::wstring command, const std::filesystem::path& folder) {
    // The console's host lingers after it is freed; it must not hold the test
    // runner's pipes open meanwhile.
    for (const DWORD stream : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE})
        SetHandleInformation(GetStdHandle(stream), HANDLE_FLAG_INHERIT, 0);
    FreeConsole();
    if (!AllocConsole()) return {L"no console: " + std::to_wstring(GetLastError())};
    SetConsoleOutputCP(437);
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const HANDLE screen = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      &inherit, OPEN_EXISTING, 0, nullptr);
    DWORD mode_before = 0, mode_after = 0;
    GetConsoleMode(screen, &mode_before);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = screen;
    PROCESS_INFORMATION process{};
    Shown shown;
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(), &startup,
                       &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        for (SHORT row = 0; row < 3; ++row) {
            std::wstring line(80, L' ');
            DWORD read = 0;
            ReadConsoleOutputCharacterW(screen, line.data(), static_cast<DWORD>(line.size()), COORD{0, row}, &read);
            line.resize(read);
            line.erase(line.find_last_not_of(L' ') + 1);
            if (!line.empty()) shown.text += line + L"\n";
        }
        GetConsoleMode(screen, &mode_after);
        shown.mode_kept = mode_after == mode_before;
    }
    CloseHandle(screen);
    FreeConsole();
    return shown;
}

TEST(Console, NamesShowAsTheyAreWhateverTheCodePage) {
    testing::TempDir dir;
    std::ofstream(dir.path() / L"a\u00f1o.txt") << "abc";
    EXPECT_EQ(shown_after(L"" FIRMA_EXE L" a\u00f1o.txt", dir.path()).text, L"0000555  a\u00f1o.txt\n");
}

// The progress line on a console: drawn in place and cleared at the end, with
// no escape byte ever shown, and the console's mode left as it was.
TEST(Console, ProgressLineLeavesNothingBehind) {
    testing::TempDir dir;
    {
        std::ofstream big(dir.path() / L"big", std::ios::binary);  // 'a', then zeros: read for about 2 s
        big << 'a';
        big.seekp((512 << 20) - 1);
        big << '\0';
    }
    const Shown shown = shown_after(L"" FIRMA_EXE L" --progress big", dir.path());
    EXPECT_EQ(shown.text, L"ACF7D56  big\n");
    EXPECT_TRUE(shown.mode_kept);
}

// Double-clicked in Explorer, firma.exe has a console of its own: it says what
// it is and waits for a key, instead of waiting for input nobody knows it wants.
TEST(Console, StartedAloneItExplainsAndWaitsForAKey) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE said = nullptr, saying = nullptr;
    ASSERT_TRUE(CreatePipe(&said, &saying, &inherit, 0));
    SetHandleInformation(said, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;  // input stays the new console's keyboard
    startup.hStdOutput = startup.hStdError = saying;
    PROCESS_INFORMATION process{};
    std::wstring command = L"" FIRMA_EXE;
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NEW_CONSOLE, nullptr, nullptr,
                               &startup, &process));
    CloseHandle(saying);
    std::string text;
    // Until the note is shown, or the program ends without it.
    while (text.find("Press a key") == std::string::npos &&
           WaitForSingleObject(process.hProcess, 10) == WAIT_TIMEOUT) {
        char buffer[4096];
        DWORD available = 0, read = 0;
        if (PeekNamedPipe(said, nullptr, 0, nullptr, &available, nullptr) && available > 0 &&
            ReadFile(said, buffer, sizeof buffer, &read, nullptr))
            text.append(buffer, read);
    }
    EXPECT_TRUE(text.starts_with("Usage: firma [OPTION]... [FILE]...\n")) << text;
    EXPECT_NE(text.find("firma is a command-line tool: run it from cmd or PowerShell, or use\n"
                        "firma-gui.exe for the window.\n"),
              std::string::npos);

    FreeConsole();
    ASSERT_TRUE(AttachConsole(process.dwProcessId));
    const HANDLE keyboard = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, 0, nullptr);
    INPUT_RECORD key{};
    key.EventType = KEY_EVENT;
    key.Event.KeyEvent = {TRUE, 1, VK_RETURN, 0, {L'\r'}, 0};
    DWORD written = 0;
    WriteConsoleInputW(keyboard, &key, 1, &written);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
    DWORD status = 1;
    GetExitCodeProcess(process.hProcess, &status);
    EXPECT_EQ(status, 0u);
    // It waited for the key: it took it from the console, where a program that
    // had not waited would have left it.
    DWORD unread = 1;
    EXPECT_TRUE(GetNumberOfConsoleInputEvents(keyboard, &unread));
    EXPECT_EQ(unread, 0u) << "did not wait for a key";
    CloseHandle(keyboard);
    FreeConsole();
    if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    CloseHandle(said);
}

}  // namespace
}  // namespace firma
