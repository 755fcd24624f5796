// An open folder that files are opened relative to: paths below it may be of any
// depth, and renaming the folders above it cannot redirect what is read.
#pragma once

namespace firma {

class OpenFolder {
public:
    explicit OpenFolder(int fd) noexcept : fd_(fd) {}  // takes ownership
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;
    ~OpenFolder();

    int fd() const noexcept { return fd_; }

private:
    int fd_;
};

}  // namespace firma
