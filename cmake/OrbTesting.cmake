# orb_add_test(NAME SOURCES ... LIBS ... [TIMEOUT s] [LABELS ...] [ENV VAR=value ...])
# Builds one Qt Test executable and registers it with CTest. Each run starts in
# fresh throw-away XDG folders (scripts/run-test.sh), so a test never touches
# the user's settings and never sees what an earlier run left.
# A test without LABELS is a unit test (label `unit`, run by `make check`): it
# starts no server but its own loopback peers, no X server and installs
# nothing. A test that does gets a label saying what it needs (integration:
# the mail servers; caldav: Radicale), which keeps it out of `make check`.
function(orb_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE orb_options Qt6::Test ${T_LIBS})
  target_compile_definitions(${name} PRIVATE ORB_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data"
                                             ORB_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
                                             ORB_BINARY_DIR="${CMAKE_BINARY_DIR}")
  add_test(NAME ${name}
           COMMAND ${CMAKE_SOURCE_DIR}/scripts/run-test.sh ${CMAKE_BINARY_DIR}/testwork/${name}
                   ${T_ENV} $<TARGET_FILE:${name}>)
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
  if(NOT T_LABELS)
    set(T_LABELS unit)
  endif()
  set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  # Tests against the real mail servers take turns: on a new machine the first
  # one installs the servers, and two installs at once would trip over each other.
  if("integration" IN_LIST T_LABELS)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK mailserver)
  endif()
endfunction()
