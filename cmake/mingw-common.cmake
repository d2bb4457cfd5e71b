# The part of the mingw-w64 toolchain files that does not depend on the architecture. The
# including file sets RK_MINGW_TRIPLET; the win32 thread model keeps winpthread out, so the
# program runs on Windows XP SP3.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${RK_MINGW_TRIPLET}-gcc-win32)
set(CMAKE_CXX_COMPILER ${RK_MINGW_TRIPLET}-g++-win32)
set(CMAKE_RC_COMPILER ${RK_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${RK_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
