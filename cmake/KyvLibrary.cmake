# kyv_library(<name> DIR <dir> [DEPS <targets...>] [QT])
# One static library per source directory; every .cpp of the directory belongs to it.
function(kyv_library name)
  cmake_parse_arguments(ARG "QT" "DIR" "DEPS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp)
  add_library(${name} STATIC ${sources} ${PROJECT_SOURCE_DIR}/cmake/empty.cpp)
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  if(ARG_QT)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
  endif()
endfunction()

# kyv_test(<name> DIR <dir> DEPS <targets...>): one GoogleTest program per test directory.
function(kyv_test name)
  cmake_parse_arguments(ARG "" "DIR" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} kyv_test_support GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    KYV_BINARY_DIR="${PROJECT_BINARY_DIR}" KYV_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "KYVFLASH_TIME_SCALE=0.02;QT_QPA_PLATFORM=offscreen;KYVFLASH_NET_ALLOW=127.0.0.0/8;KYVFLASH_USB_BUS=unix:${PROJECT_BINARY_DIR}/no-usb-bus;XDG_CONFIG_HOME=${PROJECT_BINARY_DIR}/test-config-home")
endfunction()
