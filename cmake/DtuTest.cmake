find_package(GTest REQUIRED)
include(GoogleTest)

# dtu_add_test(NAME <target> SOURCES ... LIBS ... [TIMEOUT s] [GUI])
# Tests are discovered when ctest runs, so a sanitizer build never runs them at build time.
function(dtu_add_test)
  cmake_parse_arguments(T "GUI" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest Qt6::Core)
  if(T_GUI)
    target_link_libraries(${T_NAME} PRIVATE dtu_testmain_gui Qt6::Widgets)
  else()
    target_link_libraries(${T_NAME} PRIVATE dtu_testmain)
  endif()
  # Sanitizer options and the simulator's path come from the shared test main.
  gtest_discover_tests(${T_NAME}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT ${T_TIMEOUT} ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
