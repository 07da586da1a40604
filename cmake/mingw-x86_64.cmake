# win64 build: the same library for 64-bit clients; this is the build the Wine tests run.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VEMO_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
