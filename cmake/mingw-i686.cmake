# win32 build: 32-bit Windows, the product as shipped.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VEMO_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
