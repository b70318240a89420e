# The SDK: headers, libraries and a CMake package whose one imported target,
# Swellkit::Swellkit, brings the device and everything a host needs with it.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(SWK_SDK_TARGETS Swellkit Brantholm swk_win32 swk_mfc swk_d3d9_headers swk_d3d9 swk_d3dx9)
target_link_libraries(Swellkit INTERFACE swk_d3d9)

install(TARGETS ${SWK_SDK_TARGETS} EXPORT SwellkitTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  INCLUDES DESTINATION include/swellkit)
install(DIRECTORY
  ${PROJECT_SOURCE_DIR}/platform/win32/include/
  ${PROJECT_SOURCE_DIR}/platform/mfc/include/
  ${PROJECT_SOURCE_DIR}/platform/d3d9/include/
  ${PROJECT_SOURCE_DIR}/platform/d3dx9/include/
  ${PROJECT_SOURCE_DIR}/platform/engine_support/include/
  DESTINATION include/swellkit FILES_MATCHING PATTERN "*.h")
install(FILES ${PROJECT_SOURCE_DIR}/generator/WaveGenerator.h DESTINATION include/swellkit)
install(EXPORT SwellkitTargets NAMESPACE Swellkit:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Swellkit)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/SwellkitConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/SwellkitConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Swellkit)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/SwellkitConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/SwellkitConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/SwellkitConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Swellkit)
