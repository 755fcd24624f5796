# How a Linux cross build runs its own programs (its tests): natively where
# this machine's kernel runs them, so that 32-bit x86 code is tested on the
# real processor with its AVX2; under qemu-user where it does not, as on an
# x86-64 kernel booted without 32-bit support, or for another processor.
# Decided when the build is configured, by running a tiny static program of
# the target's; FIRMA_EMULATE_TESTS forces qemu-user even where the kernel
# could run them, to show that path on any machine.
function(firma_choose_test_runner)
    if(NOT CMAKE_CROSSCOMPILING OR NOT CMAKE_SYSTEM_NAME STREQUAL "Linux")
        return()
    endif()
    set(FIRMA_EMULATE_TESTS OFF CACHE BOOL "Run this cross build's tests under qemu-user even where the kernel runs them")

    set(probe ${CMAKE_BINARY_DIR}/CMakeFiles/runs-here)
    file(WRITE ${probe}/probe.cpp "int main() { return 0; }\n")
    try_compile(built ${probe}/build SOURCES ${probe}/probe.cpp COPY_FILE ${probe}/probe
                OUTPUT_VARIABLE log)
    if(NOT built)
        message(FATAL_ERROR "cannot build a program for ${CMAKE_SYSTEM_PROCESSOR}:\n${log}")
    endif()
    execute_process(COMMAND ${probe}/probe RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)

    if(status STREQUAL "0" AND NOT FIRMA_EMULATE_TESTS)
        message(STATUS "Tests of ${CMAKE_SYSTEM_PROCESSOR} programs: run natively (this kernel runs them)")
        return()
    endif()
    # qemu-user names 32-bit x86 i386, whichever model the code is built for.
    string(REGEX REPLACE "^i[3-6]86$" "i386" qemu_arch ${CMAKE_SYSTEM_PROCESSOR})
    find_program(FIRMA_QEMU qemu-${qemu_arch} REQUIRED)
    if(FIRMA_EMULATE_TESTS)
        set(why "forced by FIRMA_EMULATE_TESTS")
    else()
        set(why "this kernel does not run them")
    endif()
    # The newest processor qemu models, so that the widest kernels it can
    # execute are dispatched and tested as well.
    set(runner ${FIRMA_QEMU} -cpu max)
    list(JOIN runner " " shown)
    message(STATUS "Tests of ${CMAKE_SYSTEM_PROCESSOR} programs: run under ${shown} (${why})")
    set(CMAKE_CROSSCOMPILING_EMULATOR ${runner} PARENT_SCOPE)
endfunction()
