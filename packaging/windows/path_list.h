// A PATH value as a list of folders separated by ';', edited so that nothing
// else in it changes: the user's PATH goes through install and uninstall byte
// for byte, whatever its length. Folders compare as Windows compares them:
// case ignored, a trailing backslash ignored.
#pragma once

#include <string>
#include <string_view>

namespace firma::installer {

// `path` with `folder` appended, unless it already holds it.
std::u16string path_with(std::u16string_view path, std::u16string_view folder);
// `path` without `folder`, each time it appears, and without the ';' that
// joined it; the rest as it was.
std::u16string path_without(std::u16string_view path, std::u16string_view folder);

}  // namespace firma::installer
