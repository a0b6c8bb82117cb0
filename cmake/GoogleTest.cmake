# GoogleTest: the installed package where there is one, otherwise Debian's
# sources in /usr/src/googletest (that is also how the Windows cross build
# gets a GoogleTest of its own).
find_package(GTest QUIET)
if(NOT GTest_FOUND OR CMAKE_CROSSCOMPILING)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)
  # GoogleTest 1.11 and later name these aliases themselves.
  if(NOT TARGET GTest::gtest_main)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
endif()
include(GoogleTest)
