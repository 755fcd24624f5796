# Cross-building the core for aarch64 Linux: its tests run under qemu-user
# here, natively on an Arm machine (cmake/test_runner.cmake).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(FIRMA_CROSS_TRIPLET aarch64-linux-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/debian_cross.cmake)
