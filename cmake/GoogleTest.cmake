# GoogleTest from Debian's sources (/usr/src/googletest), built with this build's compiler and
# flags: natively under the sanitizers, and for mingw, which has no packaged gtest.
if(NOT TARGET gtest)
    set(VEMO_GOOGLETEST_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    add_subdirectory(${VEMO_GOOGLETEST_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()
