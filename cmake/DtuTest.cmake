find_package(GTest REQUIRED)
include(GoogleTest)

# dtu_add_test(NAME <target> SOURCES ... LIBS ... [TIMEOUT s] [GUI] [SHORT_WAITS] [LABEL unit|widget|e2e|fault])
# Tests are discovered when ctest runs, so a sanitizer build never runs them at build time.
# LABEL (default: unit, or widget for GUI tests) selects a set: ctest -L unit.
function(dtu_add_test)
  cmake_parse_arguments(T "GUI;SHORT_WAITS" "NAME;TIMEOUT;LABEL" "SOURCES;LIBS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 60)
  endif()
  if(NOT T_LABEL)
    set(T_LABEL unit)
    if(T_GUI)
      set(T_LABEL widget)
    endif()
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest Qt6::Core)
  if(T_GUI)
    target_link_libraries(${T_NAME} PRIVATE dtu_testmain_gui Qt6::Widgets)
  else()
    target_link_libraries(${T_NAME} PRIVATE dtu_testmain)
  endif()
  # SHORT_WAITS: the programs these tests start wait 1.5 s for an answer instead of 5 s;
  # the cases that keep the program's own waits say so (RealTimings).
  # (A second variable goes through ENVIRONMENT_MODIFICATION: the discovery passes each
  # property one value.)
  set(waits)
  if(T_SHORT_WAITS)
    set(waits ENVIRONMENT_MODIFICATION "DTU_PROTOCOL_TIMINGS=set:answer=1500,repair=1500,watch=1500")
  endif()
  # Sanitizer options and the simulator's path come from the shared test main.
  gtest_discover_tests(${T_NAME}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS ${T_LABEL} ENVIRONMENT "QT_QPA_PLATFORM=offscreen" ${waits})
endfunction()
