#include "sign/sign_error.h"

#include <string>

#include "language/translation.h"

namespace firma {
namespace {

class SignCategory final : public std::error_category {
public:
    const char* name() const noexcept override { return "firma"; }
    std::string message(int value) const override {
        switch (static_cast<SignError>(value)) {
            case SignError::changed_while_reading: return _("file changed as we read it");
            case SignError::not_regular_file: return _("not a regular file");
            case SignError::cancelled: return _("cancelled");
            case SignError::is_the_output: return _("output file skipped");
            case SignError::wrong_arithmetic:
                return _("this build computes wrong signatures (compiled with fused or reassociated floating "
                         "point?); refusing to sign");
        }
        return _("unknown error");
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
