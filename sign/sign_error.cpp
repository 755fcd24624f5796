#include "sign/sign_error.h"

#include <string>

namespace firma {
namespace {

class SignCategory final : public std::error_category {
public:
    const char* name() const noexcept override { return "firma"; }
    std::string message(int value) const override {
        switch (static_cast<SignError>(value)) {
            case SignError::changed_while_reading: return "file changed as we read it";
            case SignError::not_regular_file: return "not a regular file";
            case SignError::cancelled: return "cancelled";
            case SignError::is_the_output: return "output file skipped";
            case SignError::wrong_arithmetic:
                return "this build computes wrong signatures (compiled with fused or reassociated floating point?); "
                       "refusing to sign";
        }
        return "unknown error";
    }
};

}  // namespace

const std::error_category& sign_category() noexcept {
    static const SignCategory category;
    return category;
}

std::error_code make_error_code(SignError error) noexcept {
    return {static_cast<int>(error), sign_category()};
}

}  // namespace firma
