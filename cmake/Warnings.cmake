# Warnings for the project's own targets. Third-party headers (Qt, GoogleTest, CLI11) come in
# through imported targets as system includes, so they do not trip these.
function(morvane_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wconversion
                                           -Wno-sign-conversion)
  if(MORVANE_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# A library made of every .cpp of the folder except the tests beside them. A file ending in
# _posix.cpp or _windows.cpp is one platform's side of an interface and is built on it only.
function(morvane_library target)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "_test\\.cpp$")
  if(WIN32)
    list(FILTER sources EXCLUDE REGEX "_posix\\.cpp$")
  else()
    list(FILTER sources EXCLUDE REGEX "_windows\\.cpp$")
  endif()
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  morvane_warnings(${target})
endfunction()

# One GoogleTest binary per folder, made of its *_test.cpp files and linked with the libraries
# given: the folder's own and the test support its tests use (the project-file writer, the
# doubles of testing/doubles/), so that a folder's tests link nothing above it.
function(morvane_tests target)
  if(NOT MORVANE_BUILD_TESTS)
    return()
  endif()
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  if(NOT tests)
    return()
  endif()
  add_executable(${target} ${tests})
  target_link_libraries(${target} PRIVATE ${ARGN} GTest::gtest GTest::gtest_main)
  morvane_warnings(${target})
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "MORVANE_SOURCE_DIR=${PROJECT_SOURCE_DIR};LANGUAGE=en")
endfunction()
