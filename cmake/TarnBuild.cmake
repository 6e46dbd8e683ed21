# Shared build settings: warnings, Windows macros, Boost headers, runtime DLLs, version resources,
# test registration.

set(TARN_CMAKE_DIR ${CMAKE_CURRENT_LIST_DIR})

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
# The name an installed package's users know it by, too (see tarnUtilConfig.cmake.in).
add_library(Boost::headers INTERFACE IMPORTED GLOBAL)
set_target_properties(Boost::headers PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${TARN_BOOST_INCLUDE})

# One C++ runtime for every module: the posix compiler's DLLs, shipped beside our modules.
function(tarn_copy_runtime_dlls)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
                  OUTPUT_VARIABLE stdcxx OUTPUT_STRIP_TRAILING_WHITESPACE)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${TARN_LIBGCC_DLL}
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

# A version resource for a module, from the one project version, so that file-property tools
# and GetFileVersionInfoW show it. The module's name is its product name.
function(tarn_add_version_resource target description)
  set(TARN_MODULE ${target})
  set(TARN_DESCRIPTION "${description}")
  set(TARN_FILE_VERSION
      ${tarnUtil_VERSION_MAJOR},${tarnUtil_VERSION_MINOR},${tarnUtil_VERSION_PATCH},0)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}Version.rc)
  configure_file(${TARN_CMAKE_DIR}/VersionInfo.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
