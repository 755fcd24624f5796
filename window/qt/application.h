// Who the application says it is: name, version and desktop identity.
#pragma once

inline constexpr const char* kApplicationVersion = "1.00";

// Call once the QApplication exists.
void describeApplication();
