// What is the same on every system: which files may be read, comparing
// versions, handing an open file on, and the test seam.
#include <atomic>
#include <system_error>
#include <utility>

#include "sign/detail/os.h"
#include "sign/sign_error.h"

namespace firma::detail {
namespace {

std::atomic<OsFaults*> installed{nullptr};

}  // namespace

void check_kind(FileKind kind, bool regular_only, const std::string& name) {
    if (kind == FileKind::folder) throw std::system_error(std::make_error_code(std::errc::is_a_directory), name);
    if (regular_only && kind != FileKind::regular)
        throw std::system_error(make_error_code(SignError::not_regular_file), name);
}

OsFile::OsFile(OsFile&& other) noexcept
    : file_(std::exchange(other.file_, kNoFile)),
      owned_(std::exchange(other.owned_, false)),
      name_(std::move(other.name_)),
      pipe_(other.pipe_),
      offset_(other.offset_),
      start_(other.start_),
      at_open_(other.at_open_) {}

bool same_version(const FileStatus& before, const FileStatus& now) {
    const bool same_size = !before.size_is_length || before.size == now.size;
    return before.kind == now.kind && same_size && before.modified == now.modified &&
           before.changed == now.changed && before.identity == now.identity;
}

std::error_code OsFaults::open(const std::string&) {
    return {};
}

void OsFaults::closed(const std::string&) {}

void OsFaults::status(const std::string&, FileStatus&) {}

std::error_code OsFaults::read(const std::string&, std::uint64_t, std::size_t&) {
    return {};
}

bool OsFaults::allocate(std::size_t) {
    return true;
}

void set_os_faults(OsFaults* faults) noexcept {
    installed = faults;
}

OsFaults* os_faults() noexcept {
    return installed.load(std::memory_order_relaxed);
}

}  // namespace firma::detail
