# Release packages (host build): `cmake --build build --target package` writes one zip per
# edition and architecture, CVemoDll_C-<version>-<edition>-<win32|win64>.zip, and the software
# token's own package per architecture, CVemoDll_C-<version>-softtoken-<win32|win64>.zip, and
# the verification kit, CVemoDll_C-<version>-verification-win32.zip (the 32-bit checks).
# <version> is the project's version (CMakeLists.txt), the one release number; it also stands
# in the version block of the trace and picker editions ("Comments") and in the version blocks of
# the project's own binaries (cmake/VersionResource.cmake).
#
# Each edition's package is a CMake package as well: find_package(CVemoDll_C CONFIG) with the
# unpacked folder in CMAKE_PREFIX_PATH gives the imported target CVemoDll_C::CVemoDll_C.
#
# Signing: configured with -DCVEMO_SIGNING_PFX=<code-signing certificate and key, PKCS#12> and
# -DCVEMO_SIGNING_PASSWORD_FILE=<file holding its password>, the packages' programs and DLLs
# (bin/ of the edition and software token packages) carry a SHA-256 Authenticode signature
# (osslsigncode, no timestamp). The build's own files stay unsigned.
include(CMakePackageConfigHelpers)

set(CVEMO_SIGNING_PFX "" CACHE FILEPATH
    "Code-signing certificate and key (PKCS#12) that signs the packages' binaries")
set(CVEMO_SIGNING_PASSWORD_FILE "" CACHE FILEPATH "File whose first line is the password of CVEMO_SIGNING_PFX")
if(CVEMO_SIGNING_PFX)
    find_program(VEMO_OSSLSIGNCODE osslsigncode REQUIRED)
    foreach(file CVEMO_SIGNING_PFX CVEMO_SIGNING_PASSWORD_FILE)
        if(NOT EXISTS "${${file}}")
            message(FATAL_ERROR "${file}: no file \"${${file}}\" (signing needs the PFX and its password file)")
        endif()
    endforeach()
    # CPack hands its CPACK_ variables to the signing step (cmake/SignPackages.cmake).
    set(CPACK_VEMO_SIGNING_PFX "${CVEMO_SIGNING_PFX}")
    set(CPACK_VEMO_SIGNING_PASSWORD_FILE "${CVEMO_SIGNING_PASSWORD_FILE}")
endif()
set(CPACK_PRE_BUILD_SCRIPTS "${PROJECT_SOURCE_DIR}/cmake/SignPackages.cmake")

# vemo_package_config(<edition> <arch> <out_var>): the edition's CMake package files, written
# for this architecture (the version file refuses a consumer of the other pointer size).
function(vemo_package_config edition arch out_var)
    set(VEMO_PACKAGE_EDITION ${edition})
    set(VEMO_PACKAGE_ARCH ${arch})
    set(dir "${CMAKE_BINARY_DIR}/package-config/${edition}-${arch}")
    configure_file("${PROJECT_SOURCE_DIR}/cmake/templates/CVemoDll_CConfig.cmake.in"
        "${dir}/CVemoDll_CConfig.cmake" @ONLY)
    if(arch STREQUAL "win32")
        set(CMAKE_SIZEOF_VOID_P 4)
    else()
        set(CMAKE_SIZEOF_VOID_P 8)
    endif()
    # A client written for 1.0 builds against any 1.x: no export goes away within a major version.
    write_basic_package_version_file("${dir}/CVemoDll_CConfigVersion.cmake" COMPATIBILITY SameMajorVersion)
    set(${out_var} "${dir}/CVemoDll_CConfig.cmake" "${dir}/CVemoDll_CConfigVersion.cmake" PARENT_SCOPE)
endfunction()

foreach(arch win32 win64)
    set(arch_dir "${CMAKE_BINARY_DIR}/${arch}")
    foreach(edition token trace picker)
        set(component ${edition}-${arch})
        set(top "CVemoDll_C-${PROJECT_VERSION}-${component}")  # the folder the zip unpacks to
        set(edition_dir "${arch_dir}/editions/${edition}")
        install(FILES "${edition_dir}/CVemoDll_C.dll" DESTINATION ${top}/bin COMPONENT ${component})
        if(NOT edition STREQUAL "picker")
            install(FILES "${edition_dir}/UTSecDll.dll" DESTINATION ${top}/bin COMPONENT ${component})
        endif()
        install(FILES "${edition_dir}/libCVemoDll_C.a" "${edition_dir}/CVemoDll_C.lib"
            DESTINATION ${top}/lib COMPONENT ${component})
        install(FILES "${PROJECT_SOURCE_DIR}/include/CVemoDll_C.h" DESTINATION ${top}/include COMPONENT ${component})
        install(FILES "${PROJECT_SOURCE_DIR}/docs/api.md" DESTINATION ${top}/docs COMPONENT ${component})
        install(FILES "${arch_dir}/tools/vemo.exe" DESTINATION ${top}/bin COMPONENT ${component})
        install(FILES "${PROJECT_SOURCE_DIR}/tests/abi/client.c" DESTINATION ${top}/examples COMPONENT ${component})
        install(FILES "${PROJECT_SOURCE_DIR}/tests/abi/client-CMakeLists.txt" DESTINATION ${top}/examples
            RENAME CMakeLists.txt COMPONENT ${component})
        vemo_package_config(${edition} ${arch} config_files)
        install(FILES ${config_files} DESTINATION ${top}/lib/cmake/CVemoDll_C COMPONENT ${component})
        install(FILES "${PROJECT_SOURCE_DIR}/docs/client-readme.md" DESTINATION ${top} RENAME README.md
            COMPONENT ${component})
        install(FILES "${PROJECT_SOURCE_DIR}/CHANGELOG.md" DESTINATION ${top} COMPONENT ${component})
        list(APPEND VEMO_PACKAGE_COMPONENTS ${component})
    endforeach()
    set(component softtoken-${arch})
    set(top "CVemoDll_C-${PROJECT_VERSION}-${component}")
    install(FILES "${arch_dir}/token/utsecdll/UTSecDll.dll" "${arch_dir}/token/provider/SoftTokenCsp.dll"
        "${arch_dir}/token/provision/tokenctl.exe" DESTINATION ${top}/bin COMPONENT ${component})
    install(FILES "${PROJECT_SOURCE_DIR}/docs/softtoken-readme.md" DESTINATION ${top} RENAME README.md
        COMPONENT ${component})
    install(FILES "${PROJECT_SOURCE_DIR}/CHANGELOG.md" DESTINATION ${top} COMPONENT ${component})
    list(APPEND VEMO_PACKAGE_COMPONENTS ${component})
endforeach()

# The verification kit: the 32-bit checks of the three editions, to run on a Windows machine.
set(component verification-win32)
set(top "CVemoDll_C-${PROJECT_VERSION}-${component}")
foreach(edition token trace picker)
    install(DIRECTORY "${VEMO_WIN32_DIR}/tests/win32/${edition}/" DESTINATION ${top}/${edition} COMPONENT ${component})
endforeach()
# The test PKI without the code-signing key: the checks do not sign.
install(DIRECTORY "${PROJECT_SOURCE_DIR}/tests/fixtures/pki/" DESTINATION ${top}/pki COMPONENT ${component}
    PATTERN codesign EXCLUDE)
install(FILES "${PROJECT_SOURCE_DIR}/tests/win32/kit/run-checks.cmd" "${PROJECT_SOURCE_DIR}/tests/win32/kit/README.md"
    "${PROJECT_SOURCE_DIR}/CHANGELOG.md" DESTINATION ${top} COMPONENT ${component})
list(APPEND VEMO_PACKAGE_COMPONENTS ${component})

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME CVemoDll_C)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME "CVemoDll_C-${PROJECT_VERSION}")
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY OFF)  # each component names its own folder
set(CPACK_COMPONENTS_GROUPING IGNORE)
set(CPACK_COMPONENTS_ALL ${VEMO_PACKAGE_COMPONENTS})
set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}/packages")
include(CPack)

# The packages are what their names say: contents, exports of each DLL, the version blocks, and
# binaries that are the build's own (or signed, when the build signs).
set(signed "")
if(CVEMO_SIGNING_PFX)
    set(signed --signed)
endif()
add_test(NAME packages.contents
    COMMAND Python3::Interpreter "${PROJECT_SOURCE_DIR}/tests/abi/check_packages.py"
        --version ${PROJECT_VERSION} --build "${CMAKE_BINARY_DIR}" --source "${PROJECT_SOURCE_DIR}" ${signed})
set_tests_properties(packages.contents PROPERTIES LABELS abi FIXTURES_SETUP packages)

# The README's way from a release package to a working client program, followed as written.
add_test(NAME packages.readme-client
    COMMAND "${PROJECT_SOURCE_DIR}/tests/abi/readme-client.sh" "${PROJECT_SOURCE_DIR}" "${CMAKE_BINARY_DIR}"
        "${VEMO_WINE_PREFIX}")
set_tests_properties(packages.readme-client PROPERTIES LABELS "abi;wine" FIXTURES_REQUIRED "packages;wine"
    RESOURCE_LOCK wineprefix)

# Each edition's package as a CMake package: find_package's answers, and the example client
# configured, built and run against it (win64 under Wine, win32 in the win32 layer).
add_test(NAME packages.cmake-consumers.win64
    COMMAND "${PROJECT_SOURCE_DIR}/tests/abi/cmake-consumers.sh" "${PROJECT_SOURCE_DIR}" "${CMAKE_BINARY_DIR}"
        ${PROJECT_VERSION} win64 "${VEMO_WINE_PREFIX}")
set_tests_properties(packages.cmake-consumers.win64 PROPERTIES LABELS "abi;wine" FIXTURES_REQUIRED "packages;wine"
    RESOURCE_LOCK wineprefix)
add_test(NAME packages.cmake-consumers.win32
    COMMAND "${PROJECT_SOURCE_DIR}/tests/abi/cmake-consumers.sh" "${PROJECT_SOURCE_DIR}" "${CMAKE_BINARY_DIR}"
        ${PROJECT_VERSION} win32 "${VEMO_WIN32_PREFIX}")
set_tests_properties(packages.cmake-consumers.win32 PROPERTIES LABELS "abi;win32" FIXTURES_REQUIRED "packages;win32"
    RESOURCE_LOCK win32prefix)

# The packages signed with the test PKI's code-signing certificate: every binary's signature
# verifies up to the test root.
add_test(NAME packages.signed
    COMMAND "${PROJECT_SOURCE_DIR}/tests/abi/check-signing.sh" "${PROJECT_SOURCE_DIR}" "${CMAKE_BINARY_DIR}")
set_tests_properties(packages.signed PROPERTIES LABELS abi FIXTURES_REQUIRED packages)

# The API reference covers every export.
add_test(NAME docs.api-reference
    COMMAND Python3::Interpreter "${PROJECT_SOURCE_DIR}/tests/abi/check_api_reference.py" "${PROJECT_SOURCE_DIR}")
set_tests_properties(docs.api-reference PROPERTIES LABELS abi)
