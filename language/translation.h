// The language people read firma's messages in. English is written in the
// code and is the default; other languages come from gettext catalogues (po/).
// On Linux glibc's gettext reads the installed catalogue; on Windows, which has
// no gettext, the catalogue is built into the program (detail/mo_catalogue.h).
#pragma once

#include <string>

namespace firma {

// Chooses the language once, before any message is translated: the usual
// gettext rules on Linux (LANGUAGE, LC_ALL, LC_MESSAGES, LANG, after
// setlocale); on Windows the same variables where set, else the user's
// interface language. Without it every message stays English.
void choose_message_language();
// The same, with the compiled catalogues in `folder` (share/locale: on Linux
// they are looked for there, beside the program by default; Windows programs
// carry theirs).
void choose_message_language(const std::string& folder);

// `text` in the chosen language; `text` itself where there is no translation.
const char* translate(const char* text);
// The form of a message about `count` things.
const char* translate_plural(const char* singular, const char* plural, unsigned long count);
// `text` where the same English means different things (gettext's msgctxt).
const char* translate_in_context(const char* context, const char* text);

}  // namespace firma

// The usual gettext markers: _() translates, N_() only marks text that is
// translated later, where it is used.
#define _(text) ::firma::translate(text)
#define N_(text) text
