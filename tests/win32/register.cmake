# Host build: the win32 layer. The 32-bit test programs of the win32 build, one per edition,
# run in a WoW64 prefix of their own under emulation (wine32.sh), one Wine process each.
set(VEMO_WIN32_PREFIX "${CMAKE_BINARY_DIR}/win32prefix")
set(VEMO_WIN32_RUNNER "${PROJECT_SOURCE_DIR}/tests/win32/wine32.sh")

add_test(NAME win32.prefix COMMAND "${VEMO_WIN32_RUNNER}" setup "${VEMO_WIN32_PREFIX}")
add_test(NAME win32.shutdown COMMAND "${VEMO_WIN32_RUNNER}" shutdown "${VEMO_WIN32_PREFIX}")
set_tests_properties(win32.prefix PROPERTIES FIXTURES_SETUP win32 LABELS win32 RESOURCE_LOCK win32prefix TIMEOUT 900)
set_tests_properties(win32.shutdown PROPERTIES FIXTURES_CLEANUP win32 LABELS win32 RESOURCE_LOCK win32prefix TIMEOUT 120)

# One process per edition. They share the prefix's registry (the tests make the default
# provider unavailable for a while), so they run one after another.
foreach(edition token trace picker)
    add_test(NAME win32.${edition}
        COMMAND "${VEMO_WIN32_RUNNER}" run "${VEMO_WIN32_PREFIX}"
            "${VEMO_WIN32_DIR}/tests/win32/${edition}/win32_tests.exe")
    set_tests_properties(win32.${edition} PROPERTIES
        FIXTURES_REQUIRED win32 RESOURCE_LOCK win32prefix LABELS win32 TIMEOUT 900)
endforeach()

# The verification kit as a Windows user runs it: unpacked from its package, its one command.
set(VEMO_WIN32_KIT "${CMAKE_BINARY_DIR}/packages/CVemoDll_C-${PROJECT_VERSION}-verification-win32")
add_test(NAME win32.kit
    COMMAND sh -c "rm -rf \"$0\" && cd \"$(dirname \"$0\")\" && python3 -m zipfile -e \"$0.zip\" . && \"$1\" run \"$2\" \"$0/run-checks.cmd\""
        "${VEMO_WIN32_KIT}" "${VEMO_WIN32_RUNNER}" "${VEMO_WIN32_PREFIX}")
set_tests_properties(win32.kit PROPERTIES
    FIXTURES_REQUIRED "win32;packages" RESOURCE_LOCK win32prefix LABELS win32 TIMEOUT 900)
