#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <system_error>

#include "cli/output_file.h"
#include "sign/system_errors.h"

namespace firma::cli {
namespace {

[[noreturn]] void fail() {
    throw std::system_error(last_system_error());
}

std::string folder_of(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Gives the new file a name beside `path` that nothing has, for the moment
// before it is renamed over `path`: `make(name)` makes it there, and fails with
// EEXIST where the name is taken. Returns what the last `make` returned.
template <class Make>
int name_beside(const std::string& path, std::string& name, Make make) {
    std::random_device seed;
    int made = -1;
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = path + ".firma-" + std::to_string(seed() % 1000000000);
        made = make(name);
        if (made >= 0 || errno != EEXIST) break;
    }
    if (made < 0) name.clear();
    return made;
}

}  // namespace

struct OutputFile::State {
    std::string path;      // where the output goes, links followed
    std::string name;      // of the new file, while it has one
    int fd = -1;
    bool unnamed = false;  // made with O_TMPFILE: nothing to remove
    std::optional<struct stat> replaced;
};

OutputFile::OutputFile(const std::string& name) : state_(std::make_unique<State>()) {
    State& state = *state_;
    state.path = name;
    struct stat status {};
    if (::stat(name.c_str(), &status) == 0) {
        if (S_ISDIR(status.st_mode)) throw std::system_error(std::make_error_code(std::errc::is_a_directory));
        // A link to the list is kept, and the list it points to replaced.
        if (char* const target = ::realpath(name.c_str(), nullptr)) {
            state.path = target;
            std::free(target);
        }
        if (S_ISREG(status.st_mode)) state.replaced = status;
    }
#ifdef O_TMPFILE
    state.fd = ::open(folder_of(state.path).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    state.unnamed = state.fd >= 0;
#endif
    if (state.fd < 0)  // file systems without unnamed files
        state.fd = name_beside(state.path, state.name, [](const std::string& candidate) {
            return ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        });
    if (state.fd < 0) fail();
    if (state.replaced) ::fchmod(state.fd, state.replaced->st_mode & 07777);  // best effort, as cp does
    std::fflush(stdout);
    if (::dup2(state.fd, STDOUT_FILENO) < 0) fail();
}

OutputFile::~OutputFile() {
    if (state_->fd >= 0) ::close(state_->fd);
    if (!state_->name.empty()) ::unlink(state_->name.c_str());
}

std::optional<FileIdentity> OutputFile::replaced() const {
    if (!state_->replaced) return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(state_->replaced->st_dev),
                        static_cast<std::uint64_t>(state_->replaced->st_ino)};
}

void OutputFile::commit() {
    State& state = *state_;
    if (::fsync(state.fd) != 0 && errno != EINVAL) fail();  // the list is on disk before it replaces the old one
    if (state.unnamed) {  // a name at last, for the rename
        const std::string self = "/proc/self/fd/" + std::to_string(state.fd);
        const int linked = name_beside(state.path, state.name, [&](const std::string& candidate) {
            return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW);
        });
        if (linked != 0) fail();
        state.unnamed = false;
    }
    if (::rename(state.name.c_str(), state.path.c_str()) != 0) fail();
    state.name.clear();
}

}  // namespace firma::cli
