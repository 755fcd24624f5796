// What Windows paths need beyond their UTF-8 names, for every part of firma
// that opens them (the reader, folders walked, the command line's checks).
#pragma once

#include <filesystem>
#include <string>

namespace firma {

// The path as Windows opens it at any length: paths longer than MAX_PATH go
// through the \\?\ prefix, made absolute with backslashes. Shorter ones are
// left as given, so that Windows reads them as it reads every path a user
// types (relative ones, trailing dots and spaces).
std::wstring long_form(const std::filesystem::path& path);

// Whether the last component is one of the device names Windows reserves in
// every folder (CON, PRN, AUX, COM1-9, LPT1-9, with any extension): opening
// COM1 opens the serial port, and reading it waits for ever. A device path
// (\\.\COM1) asks for the device itself and is not counted.
bool names_a_device(const std::filesystem::path& path);

}  // namespace firma
