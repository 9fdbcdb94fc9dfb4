# Installing: the programs with their manual pages, the core library with
# its headers, a CMake package (find_package(zemrath CONFIG) gives
# zemrath::core), a pkg-config file, the documentation and the licence, and
# a Debian package of all of it (cpack -G DEB).
include(CMakePackageConfigHelpers)
include(${CMAKE_CURRENT_LIST_DIR}/manual_pages.cmake)

set(ZEMRATH_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/zemrath)

install(TARGETS zemrath zemrath-ensemble zemrath-sweep zemrath-explore RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
zemrath_manual_page(zemrath "stochastic individual-based simulation of a fish population")
zemrath_manual_page(zemrath-ensemble "every random stream of zemrath for one set of answers, with their statistics")
zemrath_manual_page(zemrath-sweep "parameter sweeps and sensitivity analysis of zemrath over every random stream")
zemrath_manual_page(zemrath-explore "a page in the browser that shows every stream of zemrath as its parameters change")

# share/doc/zemrath: what a user reads first, the example experiment, the
# Slurm script and the copyright.
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(PROGRAMS ${PROJECT_SOURCE_DIR}/docs/zemrath-sweep.sbatch DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/docs/answers.txt DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/sweep-example DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
install(FILES ${PROJECT_SOURCE_DIR}/cmake/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(TARGETS zemrath_core EXPORT zemrathTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The public headers of every layer of the library, in one folder.
foreach(folder IN LISTS ZEMRATH_LAYERS ITEMS "")
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/lib/${folder}/include/zemrath
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
    FILES_MATCHING PATTERN "*.hpp")
endforeach()
install(FILES ${PROJECT_BINARY_DIR}/include/zemrath/version.hpp
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/zemrath)

install(EXPORT zemrathTargets NAMESPACE zemrath:: DESTINATION ${ZEMRATH_CMAKE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/zemrathConfig.cmake.in
  ${PROJECT_BINARY_DIR}/zemrathConfig.cmake
  INSTALL_DESTINATION ${ZEMRATH_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/zemrathConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/zemrathConfig.cmake ${PROJECT_BINARY_DIR}/zemrathConfigVersion.cmake
  DESTINATION ${ZEMRATH_CMAKE_DIR})

# The pkg-config file finds its prefix from where it lies, so that the
# installed tree can be moved (or packaged) as a whole.
file(RELATIVE_PATH ZEMRATH_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
configure_file(${PROJECT_SOURCE_DIR}/cmake/zemrath.pc.in ${PROJECT_BINARY_DIR}/zemrath.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/zemrath.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

set(CPACK_PACKAGE_NAME zemrath)
set(CPACK_PACKAGE_VENDOR "The zemrath developers")
set(CPACK_PACKAGE_CONTACT "The zemrath developers <zemrath@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "${PROJECT_DESCRIPTION}
 zemrath simulates a fish population over yearly generations: embryos,
 larvae and adults counted by age class, each individual's fate decided by
 one uniform random draw. The console program asks ten questions and writes
 one row per generation to output.txt. Beside it, zemrath-ensemble runs
 every one of the 1000 random streams of a parameter set with the exact
 distribution of its outcomes, zemrath-sweep runs experiments over many
 parameter sets (grids, one at a time, Latin hypercube, Sobol indices),
 resumable and sharded for Slurm, and zemrath-explore shows the streams in
 a browser. The package also holds the simulation library (libzemrath.a)
 with its headers, CMake package and pkg-config file.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6, libgcc-s1, libtomlplusplus3, libcpp-httplib0.11, libnettle8")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
include(CPack)
