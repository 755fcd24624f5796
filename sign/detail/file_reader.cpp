#include "sign/detail/file_reader.h"

#include <new>
#include <system_error>
#include <utility>

#include "sign/detail/os.h"
#include "sign/sign_error.h"
#include "sign/utf8.h"

namespace firma {
namespace {

[[noreturn]] void fail(SignError error, const std::string& name) {
    throw std::system_error(make_error_code(error), name);
}

}  // namespace

struct FileReader::State {
    State(detail::OsFile opened, std::string file_name, bool whole_file)
        : file(std::move(opened)),
          name(std::move(file_name)),
          before(file.status_at_open()),
          checked(whole_file && before.kind == detail::FileKind::regular),
          // Files in /proc and /sys report sizes that are not their lengths, and
          // some report 0 and still have contents: those are read to their end.
          sized(checked && before.size_is_length && before.size > 0),
          length(before.size > file.start() ? before.size - file.start() : 0) {}

    detail::OsFile file;
    std::string name;
    detail::FileStatus before;
    bool checked;          // must not change while read
    bool sized;            // and must hold exactly `length` bytes from the start
    std::uint64_t length;
    std::uint64_t consumed = 0;
};

FileReader::FileReader(const std::filesystem::path& path, bool regular_only, const OpenFolder* folder)
    : state_(std::make_unique<State>(detail::OsFile(path, regular_only, folder), utf8_of_path(path), true)) {}

FileReader::FileReader(NativeFile file, std::string name, bool whole_file, bool regular_only)
    : state_(std::make_unique<State>(detail::OsFile(file, name, regular_only), name, whole_file)) {}

FileReader FileReader::open(const SignRequest& request) {
    if (request.source == SignRequest::Source::standard_input) return FileReader(standard_input(), "-", true, false);
    return FileReader(request.path, request.regular_only, request.folder.get());
}

FileReader::FileReader(FileReader&& other) noexcept = default;
FileReader::~FileReader() = default;

const std::string& FileReader::name() const noexcept {
    return state_->name;
}

FileIdentity FileReader::identity() const noexcept {
    return state_->before.identity;
}

bool FileReader::is_regular() const noexcept {
    return state_->before.kind == detail::FileKind::regular;
}

std::optional<std::int64_t> FileReader::modified() const noexcept {
    if (!is_regular()) return std::nullopt;
    return detail::seconds_since_1970(state_->before.modified);
}

bool FileReader::may_wait() const noexcept {
    return state_->before.kind == detail::FileKind::stream;
}

std::uint64_t FileReader::size() const noexcept {
    return state_->length;
}

std::uint64_t FileReader::consumed() const noexcept {
    return state_->consumed;
}

std::span<const unsigned char> FileReader::read(std::span<unsigned char> buffer, bool accumulator_is_zero) {
    State& state = *state_;
    if (accumulator_is_zero) state.consumed += state.file.skip_hole();
    const std::size_t count = state.file.read(buffer);
    state.consumed += count;
    // A file that keeps growing (a log being written) would never end.
    if (state.sized && state.consumed > state.length) fail(SignError::changed_while_reading, state.name);
    return buffer.first(count);
}

void FileReader::finish() const {
    const State& state = *state_;
    if (!state.checked) return;
    const bool complete = !state.sized || state.consumed == state.length;
    if (!complete || !detail::same_version(state.before, state.file.status()))
        fail(SignError::changed_while_reading, state.name);
}

namespace {

unsigned char* allocate_pages(std::size_t size) {
    detail::OsFaults* faults = detail::os_faults();
    if (faults != nullptr && !faults->allocate(size)) throw std::bad_alloc();
    return static_cast<unsigned char*>(::operator new(size, std::align_val_t{PieceBuffer::kPageSize}));
}

}  // namespace

PieceBuffer::PieceBuffer(std::size_t size, std::size_t offset)
    : data_(allocate_pages(size + offset)),
      offset_(offset),
      size_(size) {}

PieceBuffer::PieceBuffer(PieceBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), offset_(other.offset_), size_(std::exchange(other.size_, 0)) {}

PieceBuffer::~PieceBuffer() {
    if (data_ != nullptr) ::operator delete(data_, std::align_val_t{PieceBuffer::kPageSize});
}

}  // namespace firma
