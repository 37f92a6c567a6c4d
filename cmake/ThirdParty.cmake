# GoogleTest is built from Debian's sources for both targets, so the native and
# the Windows test executables run the same framework version.
set(VEXO_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(${VEXO_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
if(NOT TARGET GTest::gtest)
  add_library(GTest::gtest ALIAS gtest)
  add_library(GTest::gtest_main ALIAS gtest_main)
  add_library(GTest::gmock ALIAS gmock)
endif()

# nlohmann-json is header-only; Debian installs it under /usr/include, which the
# cross compiler must not search as a whole (it holds the Linux C headers). A
# folder of the build holding only a link to it is searched instead.
find_path(VEXO_NLOHMANN_JSON_DIR nlohmann/json.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(VEXO_JSON_INCLUDE ${CMAKE_BINARY_DIR}/third_party/include)
file(MAKE_DIRECTORY ${VEXO_JSON_INCLUDE})
file(CREATE_LINK ${VEXO_NLOHMANN_JSON_DIR}/nlohmann ${VEXO_JSON_INCLUDE}/nlohmann SYMBOLIC)
add_library(vexo_json INTERFACE)
target_include_directories(vexo_json SYSTEM INTERFACE ${VEXO_JSON_INCLUDE})
