# Cross build for 64-bit Windows: a test build for hosts that cannot run 32-bit programs; the
# product users receive is the i686 build.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(RK_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
