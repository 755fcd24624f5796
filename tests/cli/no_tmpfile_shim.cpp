// Loaded with LD_PRELOAD: open(2) refuses O_TMPFILE, as file systems without
// unnamed files do (vfat, many network and FUSE ones).
#include <dlfcn.h>
#include <fcntl.h>

#include <cerrno>
#include <cstdarg>

namespace {

using Open = int (*)(const char*, int, ...);

int refuse_unnamed(Open real, const char* path, int flags, mode_t mode) {
    if ((flags & O_TMPFILE) == O_TMPFILE) {
        errno = EOPNOTSUPP;
        return -1;
    }
    return real(path, flags, mode);
}

}  // namespace

// Both names glibc gives open(2); the mode is there when flags ask for one.
#define REFUSING_UNNAMED(name)                                                                   \
    extern "C" int name(const char* path, int flags, ...) {                                      \
        static const auto real = reinterpret_cast<Open>(dlsym(RTLD_NEXT, #name));                \
        va_list arguments;                                                                       \
        va_start(arguments, flags);                                                              \
        const bool has_mode = (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE;        \
        const mode_t mode = has_mode ? va_arg(arguments, mode_t) : 0;                            \
        va_end(arguments);                                                                       \
        return refuse_unnamed(real, path, flags, mode);                                          \
    }
REFUSING_UNNAMED(open)
REFUSING_UNNAMED(open64)
