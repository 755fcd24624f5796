#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <string>
#include <system_error>

#include "lists/list_file_writer.h"
#include "lists/list_files.h"
#include "sign/system_errors.h"

namespace firma {

struct ListFileWriter::State {
    std::string path;
    std::string name;  // of the new file
    int fd = -1;
    bool committed = false;
};

namespace {

[[noreturn]] void fail() {
    throw std::system_error(last_system_error());
}

}  // namespace

ListFileWriter::ListFileWriter(const std::filesystem::path& path) : state_(std::make_unique<State>()) {
    State& state = *state_;
    state.path = path.string();
    const std::string folder = path.has_parent_path() ? path.parent_path().string() : ".";
    std::random_device seed;
    for (int attempt = 0; attempt < 100 && state.fd < 0; ++attempt) {
        state.name = folder + "/" + unfinished_output_prefix(path.filename().string()) + std::to_string(seed() % 1000000000);
        state.fd = ::open(state.name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (state.fd < 0 && errno != EEXIST) fail();
    }
    if (state.fd < 0) fail();
    // A list recorded again keeps the permissions the old one had.
    struct stat old {};
    if (::stat(state.path.c_str(), &old) == 0) ::fchmod(state.fd, old.st_mode & 07777);
}

ListFileWriter::~ListFileWriter() {
    if (state_->fd >= 0) ::close(state_->fd);
    if (!state_->committed) ::unlink(state_->name.c_str());
}

void ListFileWriter::write(std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(state_->fd, text.data(), text.size());
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) fail();
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}

void ListFileWriter::commit() {
    State& state = *state_;
    if (::fsync(state.fd) != 0) fail();
    const int closed = ::close(state.fd);
    state.fd = -1;
    if (closed != 0) fail();
    if (::rename(state.name.c_str(), state.path.c_str()) != 0) fail();
    state.committed = true;
}

}  // namespace firma
