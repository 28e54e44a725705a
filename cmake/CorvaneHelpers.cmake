# corvane_library(<name> <STATIC|OBJECT> [LIBS ...])
#   Builds every .cpp of the calling folder into one library. OBJECT libraries keep the
#   self-registering classes from being dropped by the linker.
function(corvane_library name kind)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${name} ${kind} ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  if(ARG_LIBS)
    target_link_libraries(${name} PUBLIC ${ARG_LIBS})
  endif()
endfunction()

# corvane_tests(<library> [LIBS ...])
#   Builds tests/<folder of the calling CMakeLists>/*.cpp into <library>_tests and registers
#   each test with ctest.
function(corvane_tests lib)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/${rel}/*.cpp)
  if(NOT sources)
    return()
  endif()
  if(SANITIZE)
    # Every test binary carries the leak checker's list of what third-party libraries keep.
    list(APPEND sources ${PROJECT_SOURCE_DIR}/tests/support/ThirdPartyLeaks.cpp)
  endif()
  add_executable(${lib}_tests ${sources})
  target_link_libraries(${lib}_tests PRIVATE ${lib} ${ARG_LIBS} test_support GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${lib}_tests
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    PROPERTIES ENVIRONMENT "CORVANE_SOURCE=${PROJECT_SOURCE_DIR}"
    DISCOVERY_TIMEOUT 60)
endfunction()
