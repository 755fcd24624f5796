#include "sign/open_folder.h"

#include <unistd.h>

namespace firma {

OpenFolder::~OpenFolder() {
    ::close(fd_);
}

}  // namespace firma
