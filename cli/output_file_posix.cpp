#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <system_error>
#include <vector>

#include "cli/output_file.h"
#include "cli/system.h"
#include "lists/list_files.h"
#include "sign/file_identity_posix.h"
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

std::string base_of(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The descriptor a name stands for when it names one of this process's own
// (/dev/stdout, /dev/fd/1, /proc/self/fd/1): written into as it is, never
// opened again, so that what the shell set up (a terminal, an appended file,
// a pipe) is kept.
std::optional<int> descriptor_named(const std::string& name) {
    if (name == "/dev/stdout") return STDOUT_FILENO;
    if (name == "/dev/stderr") return STDERR_FILENO;
    for (const std::string& prefix : {std::string("/dev/fd/"), std::string("/proc/self/fd/"), "/proc/" + std::to_string(::getpid()) + "/fd/"}) {
        if (!name.starts_with(prefix)) continue;
        int fd = -1;
        const char* first = name.data() + prefix.size();
        const char* last = name.data() + name.size();
        const auto [end, error] = std::from_chars(first, last, fd);
        if (error == std::errc() && end == last && first != last && ::fcntl(fd, F_GETFD) >= 0) return fd;
    }
    return std::nullopt;
}

// Where a dangling symbolic link points, followed to the name that does not
// exist: the file the shell's `>` would make. ELOOP for a loop.
std::string dangling_target(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return path;
        std::string target(PATH_MAX, '\0');
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        if (length < 0) fail();
        target.resize(static_cast<std::size_t>(length));
        path = target.starts_with('/') ? target : folder_of(path) + "/" + target;
    }
    throw std::system_error(std::make_error_code(std::errc::too_many_symbolic_link_levels));
}

// Gives the new file a name beside `path` that nothing has, for the moment
// before it is renamed over `path`: `make(name)` makes it there, and fails with
// EEXIST where the name is taken. Returns what the last `make` returned.
template <class Make>
int name_beside(const std::string& path, std::string& name, Make make) {
    std::random_device seed;
    int made = -1;
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = folder_of(path) + "/" + unfinished_output_prefix(base_of(path)) + std::to_string(seed() % 1000000000);
        made = make(name);
        if (made >= 0 || errno != EEXIST) break;
    }
    if (made < 0) name.clear();
    return made;
}

// Removes what killed runs left beside `path`: new files that no running
// firma holds (each holds its own locked while it runs).
void remove_abandoned(const std::string& path) {
    DIR* folder = ::opendir(folder_of(path).c_str());
    if (folder == nullptr) return;
    while (const dirent* entry = ::readdir(folder)) {
        const std::string_view name = entry->d_name;
        if (!is_unfinished_output_of(name, base_of(path))) continue;
        const std::string full = folder_of(path) + "/" + std::string(name);
        const int fd = ::open(full.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) ::unlink(full.c_str());
        ::close(fd);
    }
    ::closedir(folder);
}

// Gives the new file what the file it replaces had: owner, group, mode and
// extended attributes (ACLs among them). False when the owner or group cannot
// be kept (only the owner of a file, or root, can give it away).
bool take_over(int fd, const std::string& old, const struct stat& status) {
    struct stat made {};
    if (::fstat(fd, &made) != 0) return false;
    if ((made.st_uid != status.st_uid || made.st_gid != status.st_gid) &&
        ::fchown(fd, status.st_uid, status.st_gid) != 0)
        return false;
    ::fchmod(fd, status.st_mode & 07777);  // after fchown, which clears set-id bits
    const ssize_t size = ::listxattr(old.c_str(), nullptr, 0);
    if (size <= 0) return true;
    std::vector<char> names(static_cast<std::size_t>(size));
    const ssize_t listed = ::listxattr(old.c_str(), names.data(), names.size());
    for (std::size_t at = 0; listed > 0 && at < static_cast<std::size_t>(listed);) {
        const char* name = names.data() + at;
        at += std::char_traits<char>::length(name) + 1;
        const ssize_t length = ::getxattr(old.c_str(), name, nullptr, 0);
        if (length < 0) continue;
        std::vector<char> value(static_cast<std::size_t>(length));
        const ssize_t got = ::getxattr(old.c_str(), name, value.data(), value.size());
        if (got >= 0) ::fsetxattr(fd, name, value.data(), static_cast<std::size_t>(got), 0);  // where allowed
    }
    return true;
}

bool copy_all(int from, int to) {
    if (::lseek(from, 0, SEEK_SET) != 0) return false;
    std::vector<char> buffer(128 * 1024);
    for (;;) {
        const ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got == 0) return true;
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t wrote = ::write(to, buffer.data() + done, static_cast<std::size_t>(got - done));
            if (wrote < 0 && errno != EINTR) return false;
            if (wrote > 0) done += wrote;
        }
    }
}

bool refused(int error) {
    return error == EACCES || error == EPERM || error == EROFS;
}

}  // namespace

struct OutputFile::State {
    enum class Way {
        replace,   // a new file, renamed over the old one at the end
        in_place,  // the old file rewritten at the end: its links, or its folder, allow no other way
        stream,    // written into as the run goes: a FIFO, a device, a descriptor of this process
    };
    Way way = Way::replace;
    std::string path;      // where the output goes, links followed
    std::string name;      // of the new file, while it has one
    int fd = -1;           // the new file
    int target = -1;       // in place: the old file, open for writing
    bool unnamed = false;  // made with O_TMPFILE: nothing to remove
    std::optional<struct stat> replaced;
};

OutputFile::OutputFile(const std::string& name) : state_(std::make_unique<State>()) {
    State& state = *state_;
    state.path = name;
    std::fflush(stdout);
    if (const auto fd = descriptor_named(name)) {
        state.way = State::Way::stream;
        if (*fd != STDOUT_FILENO && ::dup2(*fd, STDOUT_FILENO) < 0) fail();
        return;
    }
    struct stat status {};
    if (::stat(name.c_str(), &status) != 0) {
        if (errno != ENOENT) fail();  // ELOOP for a loop of links, as the shell says
        state.path = dangling_target(name);
    } else if (S_ISDIR(status.st_mode)) {
        throw std::system_error(std::make_error_code(std::errc::is_a_directory));
    } else if (!S_ISREG(status.st_mode)) {  // its own permissions say whether it may be written
        state.way = State::Way::stream;
        const int fd = ::open(name.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) fail();
        const bool redirected = ::dup2(fd, STDOUT_FILENO) >= 0;
        ::close(fd);
        if (!redirected) fail();
        return;
    } else {
        // A link to the list is kept, and the list it points to replaced.
        if (char* const target = ::realpath(name.c_str(), nullptr)) {
            state.path = target;
            std::free(target);
        }
        state.replaced = status;
        state.target = ::open(state.path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        // Every name of a file with several sees the new list only if the file
        // itself is rewritten.
        if (status.st_nlink > 1 && state.target >= 0) state.way = State::Way::in_place;
    }
    if (state.way == State::Way::replace) {
#ifdef O_TMPFILE
        state.fd = ::open(folder_of(state.path).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
        state.unnamed = state.fd >= 0;
#endif
        if (state.fd < 0) {  // file systems without unnamed files, or that refuse them
            remove_abandoned(state.path);
            state.fd = name_beside(state.path, state.name, [](const std::string& candidate) {
                return ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
            });
            if (state.fd >= 0) {
                ::flock(state.fd, LOCK_EX | LOCK_NB);  // in use: no other run removes it
                remove_on_interrupt(state.name.c_str());
            }
        }
        const int error = errno;
        // A folder that takes no new file, or a list whose owner a new file
        // cannot have: the list itself is rewritten, where it may be written.
        const bool kept = state.fd >= 0 && (!state.replaced || take_over(state.fd, state.path, *state.replaced));
        if (!kept && state.target >= 0) {
            if (state.fd >= 0) ::close(state.fd);
            state.fd = -1;
            if (!state.name.empty()) ::unlink(state.name.c_str());
            state.name.clear();
            remove_on_interrupt(nullptr);
            state.way = State::Way::in_place;
        } else if (state.fd < 0) {
            if (refused(error) && !state.replaced)  // the folder refused, not the list
                throw OutputRefused(std::error_code(error, std::generic_category()), folder_of(state.path));
            errno = error;
            fail();
        }
    }
    if (state.way == State::Way::in_place) {
        std::FILE* const scratch = std::tmpfile();  // unnamed: gone however firma ends
        if (scratch == nullptr) fail();
        state.fd = ::dup(::fileno(scratch));
        std::fclose(scratch);
        if (state.fd < 0) fail();
    }
    if (::dup2(state.fd, STDOUT_FILENO) < 0) fail();
}

OutputFile::~OutputFile() {
    if (state_->fd >= 0) ::close(state_->fd);
    if (state_->target >= 0) ::close(state_->target);
    if (!state_->name.empty()) {
        ::unlink(state_->name.c_str());
        remove_on_interrupt(nullptr);
    }
}

std::optional<FileIdentity> OutputFile::replaced() const {
    if (!state_->replaced) return std::nullopt;
    return identity_of(*state_->replaced);
}

namespace {

// Once the list is complete and in place, nothing more goes to it: standard
// output's last close cannot fail the run.
void done_with_output() {
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null < 0) return;
    std::fflush(stdout);
    ::dup2(null, STDOUT_FILENO);
    ::close(null);
}

void rewrite(int from, int target) {
    if (::ftruncate(target, 0) != 0 || !copy_all(from, target)) fail();
    if (::fsync(target) != 0 && errno != EINVAL) fail();
    done_with_output();
}

}  // namespace

void OutputFile::commit() {
    State& state = *state_;
    switch (state.way) {
        case State::Way::stream: return;
        case State::Way::in_place: return rewrite(state.fd, state.target);
        case State::Way::replace: break;
    }
    if (::fsync(state.fd) != 0 && errno != EINVAL) fail();  // the list is on disk before it replaces the old one
    if (state.unnamed) {  // a name at last, for the rename
        const std::string self = "/proc/self/fd/" + std::to_string(state.fd);
        const int linked = name_beside(state.path, state.name, [&](const std::string& candidate) {
            return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW);
        });
        if (linked != 0) fail();
        state.unnamed = false;
        remove_on_interrupt(state.name.c_str());
    }
    if (::rename(state.name.c_str(), state.path.c_str()) != 0) {
        const int error = errno;
        // A sticky folder lets only a file's owner replace it; its list may
        // still be writable by others.
        if (refused(error) && state.target >= 0) {
            ::unlink(state.name.c_str());
            state.name.clear();
            remove_on_interrupt(nullptr);
            return rewrite(state.fd, state.target);
        }
        errno = error;
        fail();
    }
    state.name.clear();
    remove_on_interrupt(nullptr);
    done_with_output();
}

}  // namespace firma::cli
