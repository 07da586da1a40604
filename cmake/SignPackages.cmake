# CPack runs this after it has put the packages' files together and before it zips them: with
# a code-signing certificate configured (CPACK_VEMO_SIGNING_PFX and CPACK_VEMO_SIGNING_PASSWORD_FILE,
# from CVEMO_SIGNING_PFX and CVEMO_SIGNING_PASSWORD_FILE, or cpack -D), every program and DLL in a
# package's bin/ gets a SHA-256 Authenticode signature. No timestamp: this machine has no network,
# so a signature is valid while the certificate is.
if(NOT CPACK_VEMO_SIGNING_PFX)
    return()
endif()
find_program(VEMO_OSSLSIGNCODE osslsigncode)
if(NOT VEMO_OSSLSIGNCODE)
    message(FATAL_ERROR "signing the packages needs osslsigncode (scripts/install-deps.sh installs it)")
endif()
# The staging folder holds <component>/<package folder>/bin/.
file(GLOB binaries "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/*/bin/*.dll"
    "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/*/bin/*.exe")
foreach(binary IN LISTS binaries)
    # osslsigncode writes a signed copy; it replaces the file only when signing succeeded.
    execute_process(
        COMMAND "${VEMO_OSSLSIGNCODE}" sign -pkcs12 "${CPACK_VEMO_SIGNING_PFX}"
            -readpass "${CPACK_VEMO_SIGNING_PASSWORD_FILE}" -h sha256 -n "CVemoDll_C ${CPACK_PACKAGE_VERSION}"
            -in "${binary}" -out "${binary}.signed"
        RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(NOT status EQUAL 0)
        file(REMOVE "${binary}.signed")
        message(FATAL_ERROR "osslsigncode could not sign ${binary}:\n${output}")
    endif()
    file(RENAME "${binary}.signed" "${binary}")
endforeach()
list(LENGTH binaries count)
message(STATUS "signed ${count} binaries with ${CPACK_VEMO_SIGNING_PFX}")
