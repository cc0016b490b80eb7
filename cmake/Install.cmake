# Installation: the program, both libraries, the headers a host compiles
# against, the message catalogues, a CMake package and a pkg-config file.
#
# The libraries go to <prefix>/lib beside <prefix>/bin and <prefix>/share:
# the program loads ../lib/libxpdb.so and the package finds its catalogues at
# ../share/locale, both relative to where they lie.
set(CMAKE_INSTALL_LIBDIR lib CACHE PATH "Object code libraries (lib)")
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(XPDB_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/xpdb)
set(XPDB_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/xpdb)

set_target_properties(xhost xpdb PROPERTIES
  VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR}
  INSTALL_RPATH "$ORIGIN")
set_target_properties(xpdb PROPERTIES EXPORT_NAME xpdb)
set_target_properties(xhost PROPERTIES EXPORT_NAME xhost)

install(TARGETS xhost xpdb EXPORT xpdbTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${XPDB_INSTALL_INCLUDEDIR})

if(TARGET xpdb_app)
  set_target_properties(xpdb_app PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
  install(TARGETS xpdb_app RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/docs/xpdb.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

file(GLOB XPDB_HOST_HEADERS ${PROJECT_SOURCE_DIR}/host/*.h)
install(FILES ${XPDB_HOST_HEADERS} DESTINATION ${XPDB_INSTALL_INCLUDEDIR}/host)
install(FILES ${PROJECT_SOURCE_DIR}/package/qxm.h DESTINATION ${XPDB_INSTALL_INCLUDEDIR}/package)
install(FILES ${PROJECT_SOURCE_DIR}/api/xpdbapi.h DESTINATION ${XPDB_INSTALL_INCLUDEDIR}/api)

install(DIRECTORY ${XPDB_LOCALE_DIR}/ DESTINATION ${CMAKE_INSTALL_LOCALEDIR} FILES_MATCHING PATTERN "*.mo")

install(EXPORT xpdbTargets NAMESPACE xpdb:: DESTINATION ${XPDB_INSTALL_CMAKEDIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/xpdbConfig.cmake.in
  ${CMAKE_BINARY_DIR}/cmake/xpdbConfig.cmake INSTALL_DESTINATION ${XPDB_INSTALL_CMAKEDIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/cmake/xpdbConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/cmake/xpdbConfig.cmake ${CMAKE_BINARY_DIR}/cmake/xpdbConfigVersion.cmake
  DESTINATION ${XPDB_INSTALL_CMAKEDIR})

file(RELATIVE_PATH XPDB_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
configure_file(${PROJECT_SOURCE_DIR}/cmake/xpdb.pc.in ${CMAKE_BINARY_DIR}/cmake/xpdb.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/cmake/xpdb.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
