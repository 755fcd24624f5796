#include <cerrno>

#include "sign/system_errors.h"

namespace firma {

std::error_code system_error_code(unsigned long code) {
    return {static_cast<int>(code), std::generic_category()};
}

std::error_code last_system_error() {
    return system_error_code(static_cast<unsigned long>(errno));
}

std::error_code last_stream_error() {
    return last_system_error();
}

std::string reason_of(const std::error_code& error) {
    return error.message();
}

}  // namespace firma
