# What `cmake --install` lays out: include/ (family headers, the class-library subset, the base
# library's headers), lib/ (import and static libraries, the CMake package), bin/ (the modules
# and the C++ runtime they share), the consumer example and a README of what ships.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(TARN_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/tarnUtil)

# Programs built against the package compile wide, as every module of ours does.
target_compile_definitions(tarnUtil INTERFACE $<INSTALL_INTERFACE:UNICODE>
                                              $<INSTALL_INTERFACE:_UNICODE>)

install(TARGETS tarnUtil BaseKit tarnMfc EXPORT tarnUtilTargets
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(TARGETS EventLog RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${TARN_RUNTIME_DLLS} DESTINATION ${CMAKE_INSTALL_BINDIR})

# Whole folders, so a family header added later ships without a change here.
install(DIRECTORY tarnUtil/include/ standins/mfc/include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        FILES_MATCHING PATTERN "*.h")
install(DIRECTORY standins/BaseKit/include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        FILES_MATCHING PATTERN "*.h" PATTERN "TestDrive.h" EXCLUDE)

install(EXPORT tarnUtilTargets NAMESPACE tarnUtil:: DESTINATION ${TARN_PACKAGE_DIR})
configure_package_config_file(cmake/tarnUtilConfig.cmake.in
                              ${CMAKE_BINARY_DIR}/package/tarnUtilConfig.cmake
                              INSTALL_DESTINATION ${TARN_PACKAGE_DIR})
# The version file also turns away a program of the other architecture (x86 against x64).
write_basic_package_version_file(${CMAKE_BINARY_DIR}/package/tarnUtilConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/package/tarnUtilConfig.cmake
              ${CMAKE_BINARY_DIR}/package/tarnUtilConfigVersion.cmake
        DESTINATION ${TARN_PACKAGE_DIR})

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(TARN_ARCHITECTURE x64)
else()
  set(TARN_ARCHITECTURE x86)
endif()
configure_file(cmake/README.install.in ${CMAKE_BINARY_DIR}/package/README.txt @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/package/README.txt DESTINATION .)
install(DIRECTORY examples/consumer DESTINATION examples)

# The reference documentation, when script/docs has written it (script/package and script/test
# run it first).
set(TARN_DOCS_HTML ${PROJECT_SOURCE_DIR}/build/docs/html CACHE PATH "Reference HTML to ship")
install(DIRECTORY ${TARN_DOCS_HTML}/ DESTINATION doc/html OPTIONAL)

# The modules that ship keep their debug information in optimized builds too: script/package
# moves it into separate files beside the package, so that a crash on a user's machine can be
# read against it.
foreach(module tarnUtil BaseKit EventLog tarnMfc)
  target_compile_options(${module} PRIVATE $<$<CONFIG:Release>:-g>)
endforeach()
