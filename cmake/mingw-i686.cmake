# Cross build for 32-bit Windows: the product users receive.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(RK_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
