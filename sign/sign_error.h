// Failures of our own, reported beside the system's errno values.
#pragma once

#include <system_error>

namespace firma {

enum class SignError {
    changed_while_reading = 1,  // the file's size or contents changed during the read
    not_regular_file,           // refused: only regular files were asked for
    cancelled,                  // the caller asked to stop
    wrong_arithmetic,           // no kernel of this build gives the known signatures
    is_the_output,              // the file the output goes to: a list never holds itself
};

const std::error_category& sign_category() noexcept;
std::error_code make_error_code(SignError error) noexcept;

}  // namespace firma

template <>
struct std::is_error_code_enum<firma::SignError> : std::true_type {};
