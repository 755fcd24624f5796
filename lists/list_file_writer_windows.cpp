#include <windows.h>

#include <random>
#include <string>
#include <system_error>

#include "lists/list_file_writer.h"
#include "lists/list_files.h"
#include "sign/system_errors.h"
#include "sign/utf8.h"

namespace firma {

struct ListFileWriter::State {
    std::wstring path;
    std::wstring name;  // of the new file
    HANDLE file = INVALID_HANDLE_VALUE;
    bool committed = false;
};

namespace {

[[noreturn]] void fail() {
    throw std::system_error(last_system_error());
}

}  // namespace

ListFileWriter::ListFileWriter(const std::filesystem::path& path) : state_(std::make_unique<State>()) {
    State& state = *state_;
    state.path = path.native();
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(L".");
    std::random_device seed;
    for (int attempt = 0; attempt < 100 && state.file == INVALID_HANDLE_VALUE; ++attempt) {
        const std::string name = unfinished_output_prefix(utf8_of_path(path.filename())) + std::to_string(seed() % 1000000000);
        state.name = (folder / *path_of_utf8(name)).native();
        // Hidden and system while it is written: -r and Explorer leave it out.
        state.file = CreateFileW(state.name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, nullptr);
        if (state.file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) fail();
    }
    if (state.file == INVALID_HANDLE_VALUE) fail();
}

ListFileWriter::~ListFileWriter() {
    if (state_->file != INVALID_HANDLE_VALUE) CloseHandle(state_->file);
    if (!state_->committed) DeleteFileW(state_->name.c_str());
}

void ListFileWriter::write(std::string_view text) {
    while (!text.empty()) {
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(text.size(), 1u << 30));
        DWORD written = 0;
        if (!WriteFile(state_->file, text.data(), chunk, &written, nullptr)) fail();
        text.remove_prefix(written);
    }
}

void ListFileWriter::commit() {
    State& state = *state_;
    if (!FlushFileBuffers(state.file)) fail();
    CloseHandle(state.file);
    state.file = INVALID_HANDLE_VALUE;
    if (!SetFileAttributesW(state.name.c_str(), FILE_ATTRIBUTE_NORMAL)) fail();
    if (!MoveFileExW(state.name.c_str(), state.path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) fail();
    state.committed = true;
}

}  // namespace firma
