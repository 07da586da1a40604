# The host build drives the two Windows builds of the same tree and registers their checks:
#   win32 (i686-w64-mingw32): the product as shipped, checked statically (ABI) and executed by
#                             its own 32-bit test programs under emulated Wine (the machine
#                             runs no 32-bit code natively);
#   win64 (x86_64-w64-mingw32): the same library for 64-bit clients, run under Wine.
option(VEMO_WINDOWS "Build the Windows editions with mingw and check them" ON)
if(NOT VEMO_WINDOWS)
    return()
endif()

include(ExternalProject)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(VEMO_WIN32_DIR "${CMAKE_BINARY_DIR}/win32")
set(VEMO_WIN64_DIR "${CMAKE_BINARY_DIR}/win64")

foreach(arch win32 win64)
    if(arch STREQUAL "win32")
        set(toolchain "${PROJECT_SOURCE_DIR}/cmake/mingw-i686.cmake")
        set(wine_tests OFF)
        set(win32_tests ON)
    else()
        set(toolchain "${PROJECT_SOURCE_DIR}/cmake/mingw-x86_64.cmake")
        set(wine_tests ON)
        set(win32_tests OFF)
    endif()
    ExternalProject_Add(${arch}
        SOURCE_DIR "${PROJECT_SOURCE_DIR}"
        BINARY_DIR "${CMAKE_BINARY_DIR}/${arch}"
        CMAKE_ARGS
            -DCMAKE_TOOLCHAIN_FILE=${toolchain}
            -DCMAKE_BUILD_TYPE=RelWithDebInfo
            -DVEMO_WINE_TESTS=${wine_tests}
            -DVEMO_WIN32_TESTS=${win32_tests}
        BUILD_ALWAYS ON
        INSTALL_COMMAND ""
        USES_TERMINAL_BUILD ON)
endforeach()

# ABI: export names and ordinals, argument bytes popped, imports, per edition and architecture.
foreach(arch win32 win64)
    if(arch STREQUAL "win32")
        set(objdump i686-w64-mingw32-objdump)
    else()
        set(objdump x86_64-w64-mingw32-objdump)
    endif()
    foreach(edition token trace picker)
        add_test(NAME abi.${arch}.${edition}
            COMMAND Python3::Interpreter "${PROJECT_SOURCE_DIR}/tests/abi/check_module.py"
                --objdump ${objdump} --arch ${arch} --edition ${edition} --release ${PROJECT_VERSION}
                --client "${CMAKE_BINARY_DIR}/${arch}/clients/${edition}/client.exe"
                --client "${CMAKE_BINARY_DIR}/${arch}/clients-msvc/${edition}/client.exe"
                "${CMAKE_BINARY_DIR}/${arch}/editions/${edition}/CVemoDll_C.dll")
        set_tests_properties(abi.${arch}.${edition} PROPERTIES LABELS abi)
    endforeach()
    add_test(NAME abi.${arch}.provider
        COMMAND Python3::Interpreter "${PROJECT_SOURCE_DIR}/tests/abi/check_provider.py"
            --objdump ${objdump} --arch ${arch} "${CMAKE_BINARY_DIR}/${arch}/token/provider/SoftTokenCsp.dll")
    set_tests_properties(abi.${arch}.provider PROPERTIES LABELS abi)
endforeach()

include("${PROJECT_SOURCE_DIR}/tests/wine/register.cmake")
include("${PROJECT_SOURCE_DIR}/tests/win32/register.cmake")
include("${PROJECT_SOURCE_DIR}/cmake/Packaging.cmake")
