# What `cmake --install` puts under the prefix: the static module libraries that make up
# quorvel_lib, exported as one CMake package (find_package(quorvel) gives quorvel::quorvel_lib,
# which brings the other modules and their dependencies along) and described by a pkg-config
# file; the public headers; the executables.
#
# Every module library is installed as it is built in the tree, so the package adds no build of
# its own. A module library that quorvel_lib comes to depend on must be added to
# `quorvel_modules`; CMake stops at configure time when an exported target needs one that is
# not exported.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(quorvel_modules
  quorvel_includes
  quorvel_text
  quorvel_match
  quorvel_pdf_filters
  quorvel_pdf_crypt
  quorvel_pdf
  quorvel_engine
  quorvel_lib)
install(TARGETS ${quorvel_modules}
  EXPORT quorvelTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})

# The public headers go where the install interface of quorvel_includes points.
file(GLOB quorvel_public_headers ${PROJECT_SOURCE_DIR}/include/quorvel/*.h)
install(FILES ${quorvel_public_headers} DESTINATION include/quorvel)

foreach(executable quorvel_verify bench_verify quorvel_dump)
  if(TARGET ${executable})
    install(TARGETS ${executable} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

# The CMake package. Include paths come from quorvel_includes, whose install interface names
# the header folder below the prefix.
set(quorvel_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/quorvel)
install(EXPORT quorvelTargets NAMESPACE quorvel:: DESTINATION ${quorvel_cmake_dir})
configure_package_config_file(${PROJECT_SOURCE_DIR}/packaging/quorvelConfig.cmake.in
  ${PROJECT_BINARY_DIR}/packaging/quorvelConfig.cmake
  INSTALL_DESTINATION ${quorvel_cmake_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/packaging/quorvelConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMinorVersion)
install(FILES
  ${PROJECT_BINARY_DIR}/packaging/quorvelConfig.cmake
  ${PROJECT_BINARY_DIR}/packaging/quorvelConfigVersion.cmake
  DESTINATION ${quorvel_cmake_dir})

# The pkg-config file finds the prefix from its own place, so the installed tree may be moved
# or installed with `cmake --install --prefix`.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
  set(QUORVEL_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
else()
  file(RELATIVE_PATH quorvel_pc_up "/prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/prefix")
  string(REGEX REPLACE "/$" "" quorvel_pc_up "${quorvel_pc_up}")
  set(QUORVEL_PC_PREFIX "\${pcfiledir}/${quorvel_pc_up}")
endif()
set(QUORVEL_PC_DL_FLAG "")
if(CMAKE_DL_LIBS)
  set(QUORVEL_PC_DL_FLAG "-l${CMAKE_DL_LIBS}")
endif()
configure_file(${PROJECT_SOURCE_DIR}/packaging/quorvel.pc.in
  ${PROJECT_BINARY_DIR}/packaging/quorvel.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/packaging/quorvel.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
