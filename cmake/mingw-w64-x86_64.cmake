# Cross-building the Windows programs on Debian: the mingw-w64 compilers with
# the POSIX thread model (std::thread and std::mutex need it), and Wine to run
# the tests.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(FIRMA_CROSS_TRIPLET x86_64-w64-mingw32)
set(FIRMA_CROSS_SUFFIX -posix)
include(${CMAKE_CURRENT_LIST_DIR}/debian_cross.cmake)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
# Tests run in the build's own Wine fixture (tests/support/wine), never in the
# user's prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run ${CMAKE_BINARY_DIR}/wine)
