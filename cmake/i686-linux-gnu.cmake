# Cross-building the core for i686 Linux: its tests run natively where the
# kernel runs 32-bit programs, else under qemu-user (cmake/test_runner.cmake).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(FIRMA_CROSS_TRIPLET i686-linux-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/debian_cross.cmake)
