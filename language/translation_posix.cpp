#include <libintl.h>

#include <filesystem>
#include <string>

#include "language/translation.h"

namespace firma {
namespace {

constexpr char kDomain[] = "firma";

}  // namespace

// The catalogues are installed beside the program, in share/locale next to
// its bin/ folder, wherever that was installed (or built); the folder it was
// configured for is the fallback where the program cannot find itself.
void choose_message_language() {
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    choose_message_language(error ? std::string(FIRMA_LOCALE_FOLDER)
                                  : (program.parent_path().parent_path() / "share" / "locale").string());
}

void choose_message_language(const std::string& folder) {
    bindtextdomain(kDomain, folder.c_str());
}

const char* translate(const char* text) {
    return dgettext(kDomain, text);
}

const char* translate_plural(const char* singular, const char* plural, unsigned long count) {
    return dngettext(kDomain, singular, plural, count);
}

const char* translate_in_context(const char* context, const char* text) {
    const std::string key = std::string(context) + '\004' + text;
    const char* found = dgettext(kDomain, key.c_str());
    return found == key.c_str() ? text : found;
}

}  // namespace firma
