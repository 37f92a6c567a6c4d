# Cross-compiles the Windows x86-64 product with Debian's mingw-w64 posix-thread
# toolchain. The posix flavour is needed for std::thread and std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VEXO_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VEXO_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VEXO_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VEXO_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VEXO_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The runtime travels inside each executable: no DLL has to be shipped.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
