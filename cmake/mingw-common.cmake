# Cross-compiling for Windows with MinGW-w64 for the processor and triple the
# including toolchain file names; programs run under Wine for the tests.
#
# The shipped programs start no threads and are built with the compilers of
# the Win32 thread model, whose C++ library links no pthread library into
# them (about 30 KB of the 500 KB that vellumor.exe may take). GoogleTest
# needs std::mutex, which only the posix thread model's library has, so a tree
# that builds the tests says VELLUMOR_THREAD_MODEL=posix (the presets do).
if(NOT VELLUMOR_THREAD_MODEL)
  set(VELLUMOR_THREAD_MODEL win32)
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VELLUMOR_THREAD_MODEL)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${triple}-gcc-${VELLUMOR_THREAD_MODEL})
set(CMAKE_CXX_COMPILER ${triple}-g++-${VELLUMOR_THREAD_MODEL})
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
