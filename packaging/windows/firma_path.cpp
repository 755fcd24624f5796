// The installer's helper for the user's PATH: firma-path add|remove FOLDER
// puts the folder at the end of HKCU\Environment's Path or takes it out, and
// tells running programs (Explorer, so new consoles) that it changed. The
// value is read and written whole, whatever its length, and keeps its type
// (REG_EXPAND_SZ keeps %VARIABLES% unexpanded). A Windows program, not a
// console one: the installer runs it without a console flashing up.
#include <windows.h>

#include <string>
#include <vector>

#include "packaging/windows/path_list.h"

namespace {

int edit_path(bool add, const std::u16string& folder) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Environment", 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return 1;
    DWORD type = REG_EXPAND_SZ, size = 0;
    std::u16string path;
    LSTATUS status = RegQueryValueExW(key, L"Path", nullptr, &type, nullptr, &size);
    if (status == ERROR_SUCCESS) {
        if (type != REG_SZ && type != REG_EXPAND_SZ) return RegCloseKey(key), 1;
        std::vector<char16_t> value(size / sizeof(char16_t) + 1, u'\0');
        size = static_cast<DWORD>(value.size() * sizeof(char16_t));
        status = RegQueryValueExW(key, L"Path", nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size);
        if (status != ERROR_SUCCESS) return RegCloseKey(key), 1;
        path.assign(value.data(), size / sizeof(char16_t));
        while (path.ends_with(u'\0')) path.pop_back();
    } else if (status == ERROR_FILE_NOT_FOUND) {
        type = REG_EXPAND_SZ;
    } else {
        return RegCloseKey(key), 1;
    }
    const std::u16string changed =
        add ? firma::installer::path_with(path, folder) : firma::installer::path_without(path, folder);
    if (changed != path) {
        status = changed.empty() ? RegDeleteValueW(key, L"Path")
                                 : RegSetValueExW(key, L"Path", 0, type, reinterpret_cast<const BYTE*>(changed.c_str()),
                                                  static_cast<DWORD>((changed.size() + 1) * sizeof(char16_t)));
        if (status == ERROR_SUCCESS)
            SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"Environment"),
                                SMTO_ABORTIFHUNG, 5000, nullptr);
    }
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? 0 : 1;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const std::wstring command = __argc == 3 ? __wargv[1] : L"";
    if (command != L"add" && command != L"remove") return 2;
    const std::wstring folder = __wargv[2];
    return edit_path(command == L"add", std::u16string(folder.begin(), folder.end()));
}
