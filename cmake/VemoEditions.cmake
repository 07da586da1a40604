# The three editions of CVemoDll_C.dll as builds of one source tree.
#
# Each subsystem folder registers its sources with vemo_library_sources(); vemo_add_editions()
# then compiles them once per edition with that edition's switches and module definition, into
# editions/<edition>/CVemoDll_C.dll beside a client import library libCVemoDll_C.a.

set(VEMO_EDITIONS token trace picker)

# The MSVC-style import libraries are written by LLVM's dlltool (cmake/msvc_import_library.py).
find_program(VEMO_LLVM_DLLTOOL NAMES llvm-dlltool llvm-dlltool-14 REQUIRED)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

# vemo_files_of_editions(<list> <file>... [EDITIONS <edition>...]): appends the files to the
# global list <list>_<edition> of each edition named (all three when EDITIONS is not given).
function(vemo_files_of_editions list)
    cmake_parse_arguments(ARG "" "" "EDITIONS" ${ARGN})
    if(NOT ARG_EDITIONS)
        set(ARG_EDITIONS ${VEMO_EDITIONS})
    endif()
    foreach(file IN LISTS ARG_UNPARSED_ARGUMENTS)
        get_filename_component(path "${file}" ABSOLUTE)
        foreach(edition IN LISTS ARG_EDITIONS)
            set_property(GLOBAL APPEND PROPERTY ${list}_${edition} "${path}")
        endforeach()
    endforeach()
endfunction()

# vemo_library_sources(<file>... [EDITIONS <edition>...]): sources of the editions named.
function(vemo_library_sources)
    vemo_files_of_editions(VEMO_SOURCES ${ARGN})
endfunction()

# The module definition for this architecture. The committed .def files are written for
# 32-bit Windows, where a stdcall function's internal name carries "@<argument bytes>"; on
# 64-bit Windows internal names are plain, so the decoration is dropped from that side only.
function(vemo_module_definition edition out_var)
    set(source "${PROJECT_SOURCE_DIR}/frame/editions/${edition}.def")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${source}")
    file(READ "${source}" text)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        string(REGEX REPLACE "= *([A-Za-z_0-9]+)@[0-9]+" "= \\1" text "${text}")
    endif()
    set(module_def "${CMAKE_BINARY_DIR}/defs/${edition}.def")
    file(WRITE "${module_def}" "${text}")

    # The client's import definition: the client's own symbol for each function (its 32-bit
    # stdcall decoration is the internal name of the module definition, "export = name@bytes")
    # bound to the name the module exports ("symbol @ordinal == export").
    set(import_text "LIBRARY \"CVemoDll_C.dll\"\nEXPORTS\n")
    string(REGEX MATCHALL "\n *[A-Za-z_@0-9]+( *= *[A-Za-z_@0-9]+)? +@[0-9]+" entries "${text}")
    foreach(entry IN LISTS entries)
        string(STRIP "${entry}" entry)
        if(entry MATCHES "^([A-Za-z_@0-9]+) *= *([A-Za-z_@0-9]+) +@([0-9]+)$")
            if(CMAKE_MATCH_1 STREQUAL CMAKE_MATCH_2)
                string(APPEND import_text "    ${CMAKE_MATCH_1} @${CMAKE_MATCH_3}\n")
            else()
                string(APPEND import_text "    ${CMAKE_MATCH_2} @${CMAKE_MATCH_3} == ${CMAKE_MATCH_1}\n")
            endif()
        elseif(entry MATCHES "^([A-Za-z_@0-9]+) +@([0-9]+)$")
            string(APPEND import_text "    ${CMAKE_MATCH_1} @${CMAKE_MATCH_2}\n")
        endif()
    endforeach()
    set(import_def "${CMAKE_BINARY_DIR}/defs/${edition}-import.def")
    file(WRITE "${import_def}" "${import_text}")
    set(${out_var} "${module_def};${import_def}" PARENT_SCOPE)
endfunction()

function(vemo_add_edition edition)
    string(TOUPPER "${edition}" upper)
    set(target CVemoDll_C_${edition})
    set(out_dir "${CMAKE_BINARY_DIR}/editions/${edition}")
    get_property(sources GLOBAL PROPERTY VEMO_SOURCES_${edition})
    vemo_module_definition(${edition} defs)
    list(GET defs 0 module_def)
    list(GET defs 1 import_def)

    add_library(${target} SHARED ${sources} "${module_def}")
    set_target_properties(${target} PROPERTIES
        OUTPUT_NAME CVemoDll_C
        PREFIX ""
        IMPORT_PREFIX ""
        IMPORT_SUFFIX ".module.a"
        RUNTIME_OUTPUT_DIRECTORY "${out_dir}"
        LIBRARY_OUTPUT_DIRECTORY "${out_dir}"
        ARCHIVE_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/implib/${edition}")
    target_compile_definitions(${target} PRIVATE VEMO_EDITION_${upper} CVEMO_BUILDING_LIBRARY)
    if(edition STREQUAL "picker")
        target_compile_definitions(${target} PRIVATE CVEMO_PICKER_EDITION)
    endif()
    target_include_directories(${target} PRIVATE "${PROJECT_SOURCE_DIR}" "${CMAKE_BINARY_DIR}/generated")
    target_link_libraries(${target} PRIVATE vemo_frame_portable vemo_codec crypt32 advapi32 ws2_32)
    if(NOT edition STREQUAL "picker")
        target_link_libraries(${target} PRIVATE UTSecDll)
        # The token library is imported at load time; it ships beside the module.
        add_custom_command(TARGET ${target} POST_BUILD
            COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:UTSecDll> "${out_dir}/")
    endif()

    # What client programs link against: binds the header's declarations to this edition's
    # export names. libCVemoDll_C.a for MinGW, CVemoDll_C.lib for MSVC-style linkers.
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        set(arch win64)
    else()
        set(arch win32)
    endif()
    set(msvc_import_library "${PROJECT_SOURCE_DIR}/cmake/msvc_import_library.py")
    add_custom_command(OUTPUT "${out_dir}/libCVemoDll_C.a" "${out_dir}/CVemoDll_C.lib"
        COMMAND ${CMAKE_DLLTOOL} -d "${import_def}" -l "${out_dir}/libCVemoDll_C.a"
        COMMAND ${Python3_EXECUTABLE} "${msvc_import_library}" --llvm-dlltool ${VEMO_LLVM_DLLTOOL} --arch ${arch}
            --def "${import_def}" --work-def "${CMAKE_BINARY_DIR}/defs/${edition}-msvc-import.def"
            --out "${out_dir}/CVemoDll_C.lib"
        DEPENDS "${import_def}" "${msvc_import_library}"
        COMMENT "Import libraries of the ${edition} edition")
    add_custom_target(${target}_import ALL DEPENDS "${out_dir}/libCVemoDll_C.a" "${out_dir}/CVemoDll_C.lib")
endfunction()

function(vemo_add_editions)
    foreach(edition IN LISTS VEMO_EDITIONS)
        vemo_add_edition(${edition})
    endforeach()
endfunction()
