# Helpers every target of ours goes through, so that warnings are errors in
# both builds and the Windows targets share one set of definitions.

function(vexo_compile_options target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror
                                           -Wshadow -Wnon-virtual-dtor)
  target_compile_features(${target} PUBLIC cxx_std_20)
  if(WIN32)
    # UNICODE everywhere: an *A call would break non-ASCII paths.
    target_compile_definitions(${target} PRIVATE UNICODE _UNICODE NOMINMAX
                                                 WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0A00
                                                 WINVER=0x0A00)
  endif()
  if(VEXO_SANITIZE STREQUAL "thread")
    target_compile_options(${target} PRIVATE -fsanitize=thread)
    target_link_options(${target} PRIVATE -fsanitize=thread)
  elseif(VEXO_SANITIZE STREQUAL "address")
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  elseif(VEXO_SANITIZE STREQUAL "fuzzer")
    # The libraries carry the fuzzer's coverage hooks and both sanitizers;
    # only a fuzz target links the fuzzer's driver (vexo_fuzz_target). An
    # undefined-behaviour report stops the run, so the fuzzer keeps its input.
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link,address,undefined
                                             -fno-sanitize-recover=undefined
                                             -fno-omit-frame-pointer)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
endfunction()

# A portable static library of the UI application.
function(vexo_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/ui)
  vexo_compile_options(${name})
endfunction()

# A test executable built from the given sources. Native tests are registered
# with CTest one by one; the Windows executable runs whole under Wine.
function(vexo_test_executable name)
  add_executable(${name} ${ARGN})
  vexo_compile_options(${name})
  target_link_libraries(${name} PRIVATE GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
endfunction()

# A command-line tool over one library, for benchmarks and checks: natively on
# the emulated machine, on Windows on the real one (WINDOWS_DEFINE=1 tells the
# source which). Not built when the build has no machine adapter.
function(vexo_tool name)
  cmake_parse_arguments(ARG "" "SOURCE;WINDOWS_DEFINE" "LIBS" ${ARGN})
  if(NOT WIN32 AND TARGET vexo_platform_emulated)
    set(machine vexo_platform_emulated)
  elseif(WIN32 AND TARGET vexo_platform_win32)
    set(machine vexo_platform_win32)
  else()
    return()
  endif()
  add_executable(${name} ${ARG_SOURCE})
  vexo_compile_options(${name})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} ${machine})
  if(WIN32)
    target_compile_definitions(${name} PRIVATE ${ARG_WINDOWS_DEFINE}=1)
    target_link_options(${name} PRIVATE -municode)
  endif()
endfunction()
