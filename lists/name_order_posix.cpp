#include <cstring>
#include <string>

#include "lists/name_order.h"

namespace firma {
namespace {

// By the collation of LC_COLLATE (set by the program from the environment);
// names the locale finds equal keep the order of their bytes.
int compare_names(const std::string& a, const std::string& b) {
    const int collated = std::strcoll(a.c_str(), b.c_str());
    return collated != 0 ? collated : a.compare(b);
}

}  // namespace

bool shown_before(std::string_view a, std::string_view b) {
    for (;;) {
        const std::size_t a_end = a.find('/'), b_end = b.find('/');
        const int order = compare_names(std::string(a.substr(0, a_end)), std::string(b.substr(0, b_end)));
        if (order != 0) return order < 0;
        if (a_end == std::string_view::npos || b_end == std::string_view::npos) return a_end == std::string_view::npos && b_end != std::string_view::npos;
        a.remove_prefix(a_end + 1);
        b.remove_prefix(b_end + 1);
    }
}

}  // namespace firma
