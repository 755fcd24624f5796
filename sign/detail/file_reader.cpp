#include "sign/detail/file_reader.h"

#include <new>
#include <system_error>
#include <utility>

#include "sign/detail/os.h"
#include "sign/sign_error.h"
#include "sign/utf8.h"

namespace firma {
namespace {

constexpr std::size_t kPageSize = 4096;

[[noreturn]] void fail(SignError error, const std::string& name) {
    throw std::system_error(make_error_code(error), name);
}

}  // namespace

struct FileReader::State {
    detail::OsFile file;
    std::string name;
    bool checked;
    detail::FileVersion before;
    std::uint64_t consumed = 0;
};

FileReader::FileReader(const std::filesystem::path& path, bool regular_files_only, const OpenFolder* folder) {
    detail::OsFile file(path, regular_files_only, folder);
    const detail::FileVersion version = file.version();
    state_.reset(new State{std::move(file), utf8_of_path(path), version.regular, version});
}

FileReader::FileReader(NativeFile file, std::string name, bool whole_file, bool regular_files_only) {
    detail::OsFile borrowed(file, name);
    const detail::FileVersion version = borrowed.version();
    if (regular_files_only && !version.regular) fail(SignError::not_regular_file, name);
    const bool checked = whole_file && version.regular;
    state_.reset(new State{std::move(borrowed), std::move(name), checked, version});
}

FileReader::FileReader(FileReader&& other) noexcept = default;
FileReader::~FileReader() = default;

const std::string& FileReader::name() const noexcept {
    return state_->name;
}

bool FileReader::is_regular() const noexcept {
    return state_->before.regular;
}

std::uint64_t FileReader::size() const noexcept {
    return state_->before.size;
}

std::uint64_t FileReader::consumed() const noexcept {
    return state_->consumed;
}

std::span<const unsigned char> FileReader::read(std::span<unsigned char> buffer, bool accumulator_is_zero) {
    State& state = *state_;
    if (accumulator_is_zero) state.consumed += state.file.skip_hole();
    const std::size_t count = state.file.read(buffer);
    state.consumed += count;
    // A file that keeps growing (a log being written) would never end. Files in
    // /proc report size 0 and still have contents: read as streams.
    if (state.checked && size() > 0 && state.consumed > size()) fail(SignError::changed_while_reading, state.name);
    return buffer.first(count);
}

void FileReader::finish() const {
    const State& state = *state_;
    if (!state.checked) return;
    const bool complete = state.consumed == size() || size() == 0;
    if (!(state.file.version() == state.before) || !complete) fail(SignError::changed_while_reading, state.name);
}

PieceBuffer::PieceBuffer(std::size_t size, std::size_t offset)
    : data_(static_cast<unsigned char*>(::operator new(size + offset, std::align_val_t{kPageSize}))),
      offset_(offset),
      size_(size) {}

PieceBuffer::PieceBuffer(PieceBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), offset_(other.offset_), size_(std::exchange(other.size_, 0)) {}

PieceBuffer::~PieceBuffer() {
    if (data_ != nullptr) ::operator delete(data_, std::align_val_t{kPageSize});
}

}  // namespace firma
