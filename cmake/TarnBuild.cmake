# Shared build settings: warnings, Windows macros, Boost headers, runtime DLLs, test registration.

# Warnings on everywhere; errors when CI is set, so a warning never lands.
set(TARN_WARNINGS -Wall -Wextra)
if(DEFINED ENV{CI} AND NOT "$ENV{CI}" STREQUAL "" AND NOT "$ENV{CI}" STREQUAL "false")
  list(APPEND TARN_WARNINGS -Werror)
endif()

# Settings that every module of ours compiles with.
function(tarn_module_settings target)
  target_compile_options(${target} PRIVATE ${TARN_WARNINGS})
  target_compile_definitions(${target} PRIVATE
    UNICODE _UNICODE _WIN32_WINNT=0x0601 WINVER=0x0601 WIN32_LEAN_AND_MEAN NOMINMAX)
  target_include_directories(${target} SYSTEM PRIVATE ${TARN_BOOST_INCLUDE})
endfunction()

# A program of ours that starts at wmain (hosts, demo, benchmarks).
function(tarn_add_program name)
  add_executable(${name} ${ARGN})
  tarn_module_settings(${name})
  target_link_options(${name} PRIVATE -municode)
endfunction()

# The cross compiler sees Boost through a folder that holds only a link to it,
# never the host's whole /usr/include.
set(TARN_BOOST_INCLUDE ${CMAKE_BINARY_DIR}/boost-include)
file(MAKE_DIRECTORY ${TARN_BOOST_INCLUDE})
if(NOT EXISTS ${TARN_BOOST_INCLUDE}/boost)
  file(CREATE_LINK /usr/include/boost ${TARN_BOOST_INCLUDE}/boost SYMBOLIC)
endif()

# One C++ runtime for every module: the posix compiler's DLLs, shipped beside our modules.
function(tarn_copy_runtime_dlls)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
                  OUTPUT_VARIABLE stdcxx OUTPUT_STRIP_TRAILING_WHITESPACE)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libgcc_s_seh-1.dll
                  OUTPUT_VARIABLE libgcc OUTPUT_STRIP_TRAILING_WHITESPACE)
  find_file(TARN_WINPTHREAD_DLL libwinpthread-1.dll
            PATHS /usr/${TARN_TRIPLE}/lib NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  set(TARN_RUNTIME_DLLS ${stdcxx} ${libgcc} ${TARN_WINPTHREAD_DLL} CACHE INTERNAL "")
  file(COPY ${TARN_RUNTIME_DLLS} DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
endfunction()

# Adds sources to tarnUtil and publishes their full paths under a global property, for the test
# programs that compile them a second time with an allocation seam.
function(tarn_add_seamed_sources property)
  target_sources(tarnUtil PRIVATE ${ARGN})
  list(TRANSFORM ARGN PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/ OUTPUT_VARIABLE paths)
  set_property(GLOBAL PROPERTY ${property} ${paths})
endfunction()

# A GoogleTest program run by CTest under Wine; DISPLAY comes from the harness.
function(tarn_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  tarn_module_settings(${name})
  target_link_libraries(${name} PRIVATE tarnTestSupport gtest_main ${ARG_LIBS})
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  set_tests_properties(${name} PROPERTIES TIMEOUT 600)
endfunction()

# A benchmark program: starts at wmain, prints its figures and their ratio to a baseline
# measured in the same run. script/bench runs every bench*.exe of the release build.
function(tarn_add_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  tarn_add_program(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
endfunction()
