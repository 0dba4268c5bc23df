# Tests of the Windows build run under wine (CMAKE_CROSSCOMPILING_EMULATOR, set by the toolchain
# file) in the prefix <build>/wine-prefix. The CTest fixture "wine" prepares it once per run: the
# native virtual trackers on pseudo-terminal links, their COM numbers in the prefix's registry and
# one persistent wineserver, all ended again after the last test.

# GoogleTest for the target, built from Debian's sources.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# The COM numbers the fixture maps, each to a tracker started with the options after the colon.
# Far above the numbers wine gives the machine's own ports (COM1 is /dev/ttyS0): a test opens no
# COM number but these.
set(VINDREL_WINE_COM_TRACKER 40)
set(VINDREL_WINE_COM_SILENT 41)
set(VINDREL_WINE_COM_ACK_LIMIT 42)
set(VINDREL_WINE_COM_GUI 43)  # the dialog's own: its tests write settings to it
set(wine_prefix ${CMAKE_BINARY_DIR}/wine-prefix)
set(wine_session ${CMAKE_CURRENT_LIST_DIR}/wine-session.sh)

add_test(NAME wine_session_start
  COMMAND ${wine_session} start ${wine_prefix} $<TARGET_FILE:host-virtual-tracker>
    "${VINDREL_WINE_COM_TRACKER}:"
    "${VINDREL_WINE_COM_SILENT}:--fault silent"
    "${VINDREL_WINE_COM_ACK_LIMIT}:--fault ack-limit=50"
    "${VINDREL_WINE_COM_GUI}:")
set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 120)
add_test(NAME wine_session_stop COMMAND ${wine_session} stop ${wine_prefix})
set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60)

# One process per test binary (each wine start costs time); the binaries share the trackers, so
# they run one after the other.
function(vindrel_add_wine_test name timeout)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    TIMEOUT ${timeout} FIXTURES_REQUIRED wine RESOURCE_LOCK wine_trackers)
  target_compile_definitions(${name} PRIVATE
    VINDREL_WINE_COM_TRACKER=${VINDREL_WINE_COM_TRACKER}
    VINDREL_WINE_COM_SILENT=${VINDREL_WINE_COM_SILENT}
    VINDREL_WINE_COM_ACK_LIMIT=${VINDREL_WINE_COM_ACK_LIMIT}
    VINDREL_WINE_COM_GUI=${VINDREL_WINE_COM_GUI})
endfunction()
