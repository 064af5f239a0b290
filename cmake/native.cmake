# Native build: the portable logic and its unit tests, one GoogleTest executable per area.
enable_testing()
find_package(GTest REQUIRED)
include(GoogleTest)

file(GLOB TEST_AREAS LIST_DIRECTORIES true CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*)
foreach(dir ${TEST_AREAS})
  if(IS_DIRECTORY ${dir})
    get_filename_component(area ${dir} NAME)
    file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
    if(sources)
      add_executable(${area}_tests ${sources})
      target_include_directories(${area}_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests/unit)
      target_link_libraries(${area}_tests PRIVATE lumvo_logic GTest::gtest GTest::gmock GTest::gtest_main)
      gtest_discover_tests(${area}_tests DISCOVERY_TIMEOUT 30)
    endif()
  endif()
endforeach()

# Command-line tools for the maintainer (portable).
file(GLOB TOOL_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/*.cpp)
foreach(src ${TOOL_SOURCES})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_link_libraries(${name} PRIVATE lumvo_logic)
endforeach()

# The notice cipher is checked against OpenSSL's DES in its tests (the legacy DES_* functions).
if(TARGET update_tests)
  find_package(OpenSSL REQUIRED)
  target_link_libraries(update_tests PRIVATE OpenSSL::Crypto)
  target_compile_options(update_tests PRIVATE -Wno-deprecated-declarations)
endif()
