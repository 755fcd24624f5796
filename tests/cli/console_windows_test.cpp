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

std::wstring shown_after(std::wstring command, const std::filesystem::path& folder) {
    // The console's host lingers after it is freed; it must not hold the test
    // runner's pipes open meanwhile.
    for (const DWORD stream : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE})
        SetHandleInformation(GetStdHandle(stream), HANDLE_FLAG_INHERIT, 0);
    FreeConsole();
    if (!AllocConsole()) return L"no console: " + std::to_wstring(GetLastError());
    SetConsoleOutputCP(437);
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const HANDLE screen = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = screen;
    PROCESS_INFORMATION process{};
    std::wstring shown(80, L' ');
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(), &startup,
                       &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        DWORD read = 0;
        ReadConsoleOutputCharacterW(screen, shown.data(), static_cast<DWORD>(shown.size()), COORD{0, 0}, &read);
        shown.resize(read);
    }
    CloseHandle(screen);
    FreeConsole();
    return shown.substr(0, shown.find_last_not_of(L' ') + 1);
}

TEST(Console, NamesShowAsTheyAreWhateverTheCodePage) {
    testing::TempDir dir;
    std::ofstream(dir.path() / L"a\u00f1o.txt") << "abc";
    EXPECT_EQ(shown_after(L"" FIRMA_EXE L" a\u00f1o.txt", dir.path()), L"0000555  a\u00f1o.txt");
}

}  // namespace
}  // namespace firma
