#include <windows.h>
// After windows.h, which it needs.
#include <shlwapi.h>

#include <string>

#include "lists/name_order.h"
#include "sign/utf8.h"

namespace firma {
namespace {

// As Explorer sorts: StrCmpLogicalW, numbers as numbers, case and accents as
// the user's locale has them; names it finds equal keep the order of their units.
int compare_names(std::string_view a, std::string_view b) {
    const auto wide_a = utf16_of_wtf8(a).value_or(u"");
    const auto wide_b = utf16_of_wtf8(b).value_or(u"");
    const int logical = StrCmpLogicalW(reinterpret_cast<const wchar_t*>(wide_a.c_str()),
                                       reinterpret_cast<const wchar_t*>(wide_b.c_str()));
    return logical != 0 ? logical : wide_a.compare(wide_b);
}

}  // namespace

bool shown_before(std::string_view a, std::string_view b) {
    for (;;) {
        const std::size_t a_end = a.find_first_of("\\/"), b_end = b.find_first_of("\\/");
        const int order = compare_names(a.substr(0, a_end), b.substr(0, b_end));
        if (order != 0) return order < 0;
        if (a_end == std::string_view::npos || b_end == std::string_view::npos) return a_end == std::string_view::npos && b_end != std::string_view::npos;
        a.remove_prefix(a_end + 1);
        b.remove_prefix(b_end + 1);
    }
}

}  // namespace firma
