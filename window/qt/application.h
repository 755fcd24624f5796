// Who the application says it is: name, version and desktop identity.
#pragma once

#include "firma_version.h"

inline constexpr const char* kApplicationVersion = FIRMA_VERSION;

// Call once the QApplication exists.
void describeApplication();
