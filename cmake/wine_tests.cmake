# Tests of the Windows build run under wine, in a prefix of their own that
# a fixture creates (once) and whose wine server it starts and stops.
set(SCALE_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE PATH "Wine prefix of the Windows tests")
# LC_ALL makes wine a Simplified Chinese workstation (ANSI code page 936),
# the operators' own; the locale comes from the fixture (LOCPATH), so this
# machine needs none installed.
set(SCALE_WINE_ENVIRONMENT
  WINEPREFIX=${SCALE_WINEPREFIX}
  WINEDEBUG=-all
  "WINEDLLOVERRIDES=mscoree,mshtml="
  LC_ALL=zh_CN.UTF-8
  LOCPATH=${SCALE_WINEPREFIX}.locales
)

add_test(NAME wine_prefix_up COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-prefix.sh up ${SCALE_WINEPREFIX})
add_test(NAME wine_prefix_down COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-prefix.sh down ${SCALE_WINEPREFIX})
set_tests_properties(wine_prefix_up PROPERTIES FIXTURES_SETUP wine TIMEOUT 120)
set_tests_properties(wine_prefix_down PROPERTIES FIXTURES_CLEANUP wine)

# The far end of a wine COM port: a Linux program, built with the host's
# compiler, that opens pseudo-terminals, links them into the prefix as COM
# ports and takes orders from the Windows test over a loopback socket.
set(SCALE_PTY_PEER ${CMAKE_BINARY_DIR}/host/pty_peer)
add_custom_command(
  OUTPUT ${SCALE_PTY_PEER}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/host
  COMMAND c++ -std=c++20 -O2 -Wall -Wextra -Werror -o ${SCALE_PTY_PEER}
          ${CMAKE_SOURCE_DIR}/tests/wine/pty_peer.cpp -lutil -pthread
  DEPENDS ${CMAKE_SOURCE_DIR}/tests/wine/pty_peer.cpp
  COMMENT "Building the pty peer for the host"
  VERBATIM)
add_custom_target(pty_peer ALL DEPENDS ${SCALE_PTY_PEER})

# scale_add_wine_test(name target [WITH_PTY_PEER] [args...]): runs the
# Windows program `target` under wine; WITH_PTY_PEER runs it under the pty
# peer, which passes the peer's address in SCALE_PTY_PEER.
function(scale_add_wine_test name target)
  set(args ${ARGN})
  if(args AND "${ARGV2}" STREQUAL "WITH_PTY_PEER")
    list(REMOVE_AT args 0)
    add_test(NAME ${name}
      COMMAND ${SCALE_PTY_PEER} ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${target}> ${args})
    add_dependencies(${target} pty_peer)
  else()
    add_test(NAME ${name} COMMAND ${target} ${args})
  endif()
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${SCALE_WINE_ENVIRONMENT}" FIXTURES_REQUIRED wine)
endfunction()
