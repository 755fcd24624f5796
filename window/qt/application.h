// Who the application says it is: name, version and desktop identity.
#pragma once

#include "firma_version.h"

inline constexpr const char* kApplicationVersion = FIRMA_VERSION;

// Call once the QApplication exists. Also makes Qt's own texts (a box's edit
// menu: Deshacer, Copiar, Pegar...) Spanish, as the window is, whatever the
// session's language: from Debian's Qt translations, which the package depends on.
void describeApplication();
