// The order the user's file manager shows names in, for the lists the windows
// record: folder by folder, each name compared as Explorer compares them on
// Windows (numbers as numbers, accents beside their letters) and by the
// locale's collation elsewhere. The command line's -r keeps the order of the
// names' bytes, the same in every language.
#pragma once

#include <string_view>

namespace firma {

// Whether the relative name `a` (UTF-8, folders separated as the system
// separates them) comes before `b`.
bool shown_before(std::string_view a, std::string_view b);

}  // namespace firma
