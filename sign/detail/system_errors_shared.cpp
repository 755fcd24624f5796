#include "sign/system_errors.h"

namespace firma {

std::string in_users_words(const std::system_error& error) {
    std::string what = error.what();
    if (what == error.code().message()) return reason_of(error.code());  // nothing named
    if (const std::string reason = ": " + error.code().message(); what.ends_with(reason))
        what.resize(what.size() - reason.size());
    return what + ": " + reason_of(error.code());
}

}  // namespace firma
