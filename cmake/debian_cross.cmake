# What the cross builds share, included by their toolchain files once they have
# set FIRMA_CROSS_TRIPLET (and FIRMA_CROSS_SUFFIX where Debian's compiler names
# carry one): Debian's cross compilers, the target's own root for libraries and
# headers (never the host's), and static programs, so that tests run with no
# target libraries installed.
set(CMAKE_C_COMPILER ${FIRMA_CROSS_TRIPLET}-gcc${FIRMA_CROSS_SUFFIX})
set(CMAKE_CXX_COMPILER ${FIRMA_CROSS_TRIPLET}-g++${FIRMA_CROSS_SUFFIX})
set(CMAKE_FIND_ROOT_PATH /usr/${FIRMA_CROSS_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
