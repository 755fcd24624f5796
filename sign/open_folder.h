// An open folder that files are opened relative to: paths below it may be of any
// depth, and renaming the folders above it cannot redirect what is read.
#pragma once

#include "sign/native_file.h"

namespace firma {

class OpenFolder {
public:
    explicit OpenFolder(NativeFile folder) noexcept : fd_(folder) {}  // takes ownership
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;
    ~OpenFolder();

    NativeFile fd() const noexcept { return fd_; }

private:
    NativeFile fd_;
};

}  // namespace firma
