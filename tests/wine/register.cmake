# Host build: the Wine tests of the win64 build, in a prefix made for this run.
set(VEMO_WINE_PREFIX "${CMAKE_BINARY_DIR}/wineprefix")
set(VEMO_WINE_DIR "${PROJECT_SOURCE_DIR}/tests/wine")
set(VEMO_WINE_BIN "${VEMO_WIN64_DIR}/tests/wine")

add_test(NAME wine.prefix COMMAND "${VEMO_WINE_DIR}/prefix.sh" setup "${VEMO_WINE_PREFIX}")
add_test(NAME wine.shutdown COMMAND "${VEMO_WINE_DIR}/prefix.sh" shutdown "${VEMO_WINE_PREFIX}")
set_tests_properties(wine.prefix PROPERTIES FIXTURES_SETUP wine LABELS wine RESOURCE_LOCK wineprefix)
set_tests_properties(wine.shutdown PROPERTIES FIXTURES_CLEANUP wine LABELS wine RESOURCE_LOCK wineprefix)

# vemo_wine_test(<name> <program> [arguments...]): one ctest entry that runs a win64 test
# program (a GoogleTest executable with many tests) in the prefix.
function(vemo_wine_test name program)
    add_test(NAME wine.${name}
        COMMAND "${VEMO_WINE_DIR}/run.sh" "${VEMO_WINE_PREFIX}" "${VEMO_WINE_BIN}/${program}" ${ARGN})
    set_tests_properties(wine.${name} PROPERTIES
        FIXTURES_REQUIRED wine RESOURCE_LOCK wineprefix LABELS wine TIMEOUT 600)
endfunction()

# The library tests run 8 hours east of UTC ("CST-8", which both the Windows API and the C
# runtime read), so that a date left in UTC shows. The token edition's run also verifies what
# openssl signed and leaves records and messages for openssl to check
# (tests/interop/raw-signature-openssl.sh and signed-message-openssl.sh, before and after it);
# the trace edition's run verifies openssl's messages too. The picker edition's dialogs are
# pictured in build/screenshots/ as the tests show them.
# The robustness tests of the same program (bad input, leaks, threads and processes at once,
# faults from outside) run as entries of their own, labelled "robustness", so that their time
# shows apart.
set(VEMO_RAW_INTEROP "${CMAKE_BINARY_DIR}/raw-interop")
set(VEMO_P7_INTEROP "${CMAKE_BINARY_DIR}/p7-interop")
set(VEMO_ROBUSTNESS_TESTS "BadInput.*:Leaks.*:Concurrency.*:Faults.*")
# Every edition holds its certification path answers against openssl's, which a host script
# computes first on the same path cases (tests/interop/cert-path-openssl.sh).
set(VEMO_PATH_INTEROP "${CMAKE_BINARY_DIR}/path-interop")
add_test(NAME interop.cert-path-openssl
    COMMAND "${PROJECT_SOURCE_DIR}/tests/interop/cert-path-openssl.sh" "${VEMO_PATH_INTEROP}")
set_tests_properties(interop.cert-path-openssl PROPERTIES FIXTURES_SETUP path_interop LABELS interop)
foreach(edition token trace picker)
    set(interop_arguments "--path-interop=Z:${VEMO_PATH_INTEROP}")
    if(edition STREQUAL "token")
        list(APPEND interop_arguments "--raw-interop=Z:${VEMO_RAW_INTEROP}" "--p7-interop=Z:${VEMO_P7_INTEROP}")
    elseif(edition STREQUAL "trace")
        list(APPEND interop_arguments "--p7-interop=Z:${VEMO_P7_INTEROP}")
    endif()
    vemo_wine_test(library.${edition} library_tests.exe --edition=${edition} ${interop_arguments}
        "--screenshots=${CMAKE_BINARY_DIR}/screenshots" "--gtest_filter=-${VEMO_ROBUSTNESS_TESTS}")
    set_tests_properties(wine.library.${edition} PROPERTIES ENVIRONMENT "TZ=CST-8")
    vemo_wine_test(robustness.${edition} library_tests.exe --edition=${edition}
        "--gtest_filter=${VEMO_ROBUSTNESS_TESTS}")
    set_tests_properties(wine.robustness.${edition} PROPERTIES ENVIRONMENT "TZ=CST-8" LABELS "wine;robustness")
endforeach()
add_test(NAME interop.raw-signature-openssl-sign
    COMMAND "${PROJECT_SOURCE_DIR}/tests/interop/raw-signature-openssl.sh" sign "${VEMO_RAW_INTEROP}")
set_tests_properties(interop.raw-signature-openssl-sign PROPERTIES FIXTURES_SETUP raw_interop_in LABELS interop)
add_test(NAME interop.signed-message-openssl-sign
    COMMAND "${PROJECT_SOURCE_DIR}/tests/interop/signed-message-openssl.sh" sign "${VEMO_P7_INTEROP}")
set_tests_properties(interop.signed-message-openssl-sign PROPERTIES FIXTURES_SETUP p7_interop_in LABELS interop)
set_tests_properties(wine.library.token PROPERTIES FIXTURES_REQUIRED "wine;raw_interop_in;p7_interop_in;path_interop"
    FIXTURES_SETUP "raw_interop_out;p7_interop_out")
set_tests_properties(wine.library.trace PROPERTIES FIXTURES_REQUIRED "wine;p7_interop_in;path_interop")
set_tests_properties(wine.library.picker PROPERTIES FIXTURES_REQUIRED "wine;path_interop")
add_test(NAME interop.raw-signature-openssl
    COMMAND "${PROJECT_SOURCE_DIR}/tests/interop/raw-signature-openssl.sh" check "${VEMO_RAW_INTEROP}")
set_tests_properties(interop.raw-signature-openssl PROPERTIES FIXTURES_REQUIRED raw_interop_out LABELS "interop;wine")
add_test(NAME interop.signed-message-openssl
    COMMAND "${PROJECT_SOURCE_DIR}/tests/interop/signed-message-openssl.sh" check "${VEMO_P7_INTEROP}")
set_tests_properties(interop.signed-message-openssl PROPERTIES FIXTURES_REQUIRED p7_interop_out LABELS "interop;wine")

# Every export beside the platform's own sequence, alone on the machine: the figures mean
# something only then.
vemo_wine_test(bench.exports export_bench.exe --edition=token --rounds=5)
set_tests_properties(wine.bench.exports PROPERTIES LABELS "bench;wine" RUN_SERIAL ON)

# The client built against the header and each edition's import library (tests/abi/client.c).
foreach(edition token trace picker)
    add_test(NAME wine.client.${edition}
        COMMAND "${VEMO_WINE_DIR}/run.sh" "${VEMO_WINE_PREFIX}" "${VEMO_WIN64_DIR}/clients/${edition}/client.exe")
    set_tests_properties(wine.client.${edition} PROPERTIES
        FIXTURES_REQUIRED wine RESOURCE_LOCK wineprefix LABELS wine PASS_REGULAR_EXPRESSION "client: ok")
endforeach()

# The same client linked the way MSVC links, against CVemoDll_C.lib (tests/abi/msvc_client.c):
# its exit status is the outcome.
foreach(edition token trace picker)
    add_test(NAME wine.client-msvc.${edition}
        COMMAND "${VEMO_WINE_DIR}/run.sh" "${VEMO_WINE_PREFIX}" "${VEMO_WIN64_DIR}/clients-msvc/${edition}/client.exe")
    set_tests_properties(wine.client-msvc.${edition} PROPERTIES
        FIXTURES_REQUIRED wine RESOURCE_LOCK wineprefix LABELS wine)
endforeach()

vemo_wine_test(token token_tests.exe)

# The token's provider. What it signs is left in a folder (a Windows path into the host's file
# system) that openssl then checks on the host.
set(VEMO_PROVIDER_INTEROP "${CMAKE_BINARY_DIR}/provider-interop")
# A signature that does not verify leaves its certificate, key and signature in
# provider-evidence/ (kept across runs).
vemo_wine_test(provider provider_tests.exe "--interop-dir=Z:${VEMO_PROVIDER_INTEROP}"
    "--evidence-dir=Z:${CMAKE_BINARY_DIR}/provider-evidence")
set_tests_properties(wine.provider PROPERTIES FIXTURES_SETUP provider_interop)
add_test(NAME interop.provider-openssl
    COMMAND "${PROJECT_SOURCE_DIR}/tests/interop/provider-openssl.sh" "${VEMO_PROVIDER_INTEROP}")
set_tests_properties(interop.provider-openssl PROPERTIES FIXTURES_REQUIRED provider_interop LABELS "interop;wine")

# vemo, the command-line client: every subcommand, its readable and JSON output and its exit
# status, on success and failure (a few seconds: one short Wine process per case).
add_test(NAME wine.vemo
    COMMAND Python3::Interpreter "${VEMO_WINE_DIR}/vemo_cli_test.py" "${VEMO_WINE_PREFIX}" "${VEMO_WIN64_DIR}"
        "${PROJECT_SOURCE_DIR}/tests/fixtures/pki")
set_tests_properties(wine.vemo PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wineprefix LABELS wine TIMEOUT 300)
