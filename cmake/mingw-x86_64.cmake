# 64-bit Windows: the same programs and tests, for a machine whose kernel runs
# no 32-bit code and so cannot start Wine's 32-bit loader (scripts/wine-env).
# Debian keeps the 64-bit loader out of the PATH.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(triple x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
find_program(WINE_PROGRAM wine64 PATHS /usr/lib/wine)
set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_PROGRAM})
