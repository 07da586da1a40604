# The version block of the project's own binaries (vemo, tokenctl, the software token's DLLs):
# file and product version from the project's one version number, a description and the file's
# original name, so that Explorer, installers and support staff can tell which release a file
# belongs to. The library's editions keep the blocks they have (frame/editions/version.rc).

# vemo_version_resource(<target> <description>): adds the block to an executable or DLL target.
function(vemo_version_resource target description)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE")
        set(VEMO_FILE_TYPE VFT_APP)
        set(suffix .exe)
    else()
        set(VEMO_FILE_TYPE VFT_DLL)
        set(suffix .dll)
    endif()
    get_target_property(name ${target} OUTPUT_NAME)
    if(NOT name)
        set(name ${target})
    endif()
    set(VEMO_INTERNAL_NAME "${name}")
    set(VEMO_ORIGINAL_FILENAME "${name}${suffix}")
    set(VEMO_FILE_DESCRIPTION "${description}")
    set(rc "${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc")
    configure_file("${PROJECT_SOURCE_DIR}/cmake/templates/version_resource.rc.in" "${rc}" @ONLY)
    target_sources(${target} PRIVATE "${rc}")
endfunction()
