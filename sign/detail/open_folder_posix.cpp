#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "sign/file_identity_posix.h"
#include "sign/open_folder.h"
#include "sign/system_errors.h"

namespace firma {

std::shared_ptr<const OpenFolder> OpenFolder::open(const OpenFolder* parent, const std::string& name,
                                                   bool follow_links, std::error_code& error) {
    const int at = parent != nullptr ? parent->native() : AT_FDCWD;
    const int fd = ::openat(at, name.c_str(),
                            O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOCTTY | (follow_links ? 0 : O_NOFOLLOW));
    if (fd < 0) {
        error = last_system_error();
        return nullptr;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        error = last_system_error();
        ::close(fd);
        return nullptr;
    }
    return std::make_shared<const OpenFolder>(fd, identity_of(status));
}

OpenFolder::~OpenFolder() {
    ::close(native_);
}

std::vector<std::string> OpenFolder::names(std::error_code& error) const {
    std::vector<std::string> names;
    // fdopendir takes the descriptor it is given; the folder keeps its own.
    const int listing = ::dup(native_);
    DIR* const opened = listing >= 0 ? ::fdopendir(listing) : nullptr;
    if (opened == nullptr) {
        error = last_system_error();
        if (listing >= 0) ::close(listing);
        return names;
    }
    const std::unique_ptr<DIR, int (*)(DIR*)> folder(opened, ::closedir);
    errno = 0;
    while (const dirent* entry = ::readdir(folder.get())) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
        errno = 0;
    }
    if (errno != 0) error = last_system_error();
    return names;
}

}  // namespace firma
