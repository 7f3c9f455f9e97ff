# What `cmake --install` and `cpack -G DEB` lay out, one Debian package per component:
#   hostlibs   libqzlv2-host1: the stand-ins of the client's libraries, <libdir>/qzlv2/lib*.so.1
#              (a real client brings its own; a private directory, so they never shadow its);
#   simserver  libqzlv2-simserver1: libQzSimServer.so.1, the simulated quote server for a host's
#              tests and demos;
#   plugin     qzlv2-plugin: the module, <libdir>/qzlv2/plugins/libQzLv2Quoter.so;
#   dev        qzlv2-dev: the headers (<includedir>/qzlv2), the unversioned lib*.so links, the
#              CMake package (find_package(QzLv2Quoter CONFIG)), the pkg-config files
#              (QzLv2Quoter, QzSimServer) and the minimal host's sources (share/doc/.../examples);
#   demo       qzlv2-demo: the demo host `qzlv2`, its quote window `qzlv2-gui` and the README's
#              minimal host.
# Each package with binaries has a -dbgsym package holding their debug info; the binaries in the
# others are stripped. Installed binaries find the libraries through $ORIGIN-relative run paths,
# and the CMake and pkg-config files find everything relative to themselves, so the tree can be
# unpacked anywhere.
# (The directories are set in the top CMakeLists.txt; the libraries' own rules in
# cmake/QzPublicLibrary.cmake.)
include(CMakePackageConfigHelpers)
file(RELATIVE_PATH QZ_BIN_TO_HOSTLIBS /${CMAKE_INSTALL_BINDIR} /${QZ_INSTALL_HOSTLIBDIR})

if(TARGET QzLv2Quoter)
  set_target_properties(QzLv2Quoter PROPERTIES INSTALL_RPATH "$ORIGIN/..")
  install(TARGETS QzLv2Quoter LIBRARY DESTINATION ${QZ_INSTALL_PLUGINDIR} COMPONENT plugin)
endif()

foreach(program qzlv2 qzlv2-gui qzlv2-server qzlv2-minimal-host)
  if(TARGET ${program})
    set_target_properties(${program} PROPERTIES INSTALL_RPATH "$ORIGIN/${QZ_BIN_TO_HOSTLIBS}")
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT demo)
  endif()
endforeach()

set(QZ_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/QzLv2Quoter)
install(EXPORT QzLv2QuoterTargets NAMESPACE QzLv2Quoter:: DESTINATION ${QZ_INSTALL_CMAKEDIR}
        COMPONENT dev)
configure_package_config_file(cmake/QzLv2QuoterConfig.cmake.in QzLv2QuoterConfig.cmake
                              INSTALL_DESTINATION ${QZ_INSTALL_CMAKEDIR} PATH_VARS QZ_INSTALL_PLUGINDIR)
write_basic_package_version_file(QzLv2QuoterConfigVersion.cmake COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/QzLv2QuoterConfig.cmake ${CMAKE_BINARY_DIR}/QzLv2QuoterConfigVersion.cmake
        DESTINATION ${QZ_INSTALL_CMAKEDIR} COMPONENT dev)

# The minimal host's sources, a project to start from.
install(DIRECTORY examples/minimal-host/ DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/qzlv2-dev/examples/minimal-host
        COMPONENT dev)

set(QZ_INSTALL_PKGCONFIGDIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
file(RELATIVE_PATH QZ_PC_TO_PREFIX /${QZ_INSTALL_PKGCONFIGDIR} /)
string(REGEX REPLACE "/$" "" QZ_PC_TO_PREFIX ${QZ_PC_TO_PREFIX})
foreach(pc QzLv2Quoter QzSimServer)
  configure_file(cmake/${pc}.pc.in ${pc}.pc @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/${pc}.pc DESTINATION ${QZ_INSTALL_PKGCONFIGDIR} COMPONENT dev)
endforeach()

# CTest runs the installed tree: install into the build directory, then the programs from there,
# and the minimal host built as a project of its own against it.
set(QZ_TEST_PREFIX ${CMAKE_BINARY_DIR}/test-install)
add_test(NAME install_tree COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR} --prefix ${QZ_TEST_PREFIX})
set_tests_properties(install_tree PROPERTIES FIXTURES_SETUP installed_tree)
add_test(NAME installed_minimal_host COMMAND ${QZ_TEST_PREFIX}/${CMAKE_INSTALL_BINDIR}/qzlv2-minimal-host)
add_test(NAME installed_qzlv2_watch
         COMMAND ${QZ_TEST_PREFIX}/${CMAKE_INSTALL_BINDIR}/qzlv2 watch SZ300750 --once --timeout 60)
# The example is compiled as this tree is (a sanitized tree's libraries need a sanitized host).
list(JOIN QZ_SANITIZE_COMPILE_OPTIONS " " sanitize_compile)
list(JOIN QZ_SANITIZE_LINK_OPTIONS " " sanitize_link)
add_test(NAME example_against_installed_tree
         COMMAND ${CMAKE_CTEST_COMMAND} --build-and-test ${PROJECT_SOURCE_DIR}/examples/minimal-host
                 ${CMAKE_BINARY_DIR}/example-against-installed-tree
                 --build-generator ${CMAKE_GENERATOR} --build-noclean
                 --build-options -DCMAKE_PREFIX_PATH=${QZ_TEST_PREFIX} -DCMAKE_BUILD_TYPE=Release
                                 -DCMAKE_CXX_COMPILER=${CMAKE_CXX_COMPILER}
                                 -DCMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER}
                                 "-DCMAKE_CXX_FLAGS=${CMAKE_CXX_FLAGS} ${sanitize_compile}"
                                 "-DCMAKE_EXE_LINKER_FLAGS=${CMAKE_EXE_LINKER_FLAGS} ${sanitize_link}"
                 --test-command qzlv2-minimal-host ${QZ_TEST_PREFIX}/${QZ_INSTALL_PLUGINDIR})
set_tests_properties(installed_minimal_host installed_qzlv2_watch example_against_installed_tree
                     PROPERTIES FIXTURES_REQUIRED installed_tree TIMEOUT 120)
set_tests_properties(installed_minimal_host example_against_installed_tree PROPERTIES
                     PASS_REGULAR_EXPRESSION "SH600000 prev close 10\\.52 buy 1 [0-9]+\\.[0-9][0-9] x [0-9]+ shares")
set_tests_properties(installed_qzlv2_watch PROPERTIES PASS_REGULAR_EXPRESSION "prev 180\\.35")

set(CPACK_PACKAGE_NAME qzlv2)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Level-2 market-data plug-in for a desktop stock-quote client")
set(CPACK_PACKAGE_CONTACT "QzLv2Quoter developers <qzlv2@localhost>")
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL hostlibs simserver plugin dev demo)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_HOSTLIBS_PACKAGE_NAME libqzlv2-host${QZ_SOVERSION})
set(CPACK_DEBIAN_SIMSERVER_PACKAGE_NAME libqzlv2-simserver${QZ_SOVERSION})
set(CPACK_DEBIAN_PLUGIN_PACKAGE_NAME qzlv2-plugin)
set(CPACK_DEBIAN_DEV_PACKAGE_NAME qzlv2-dev)
set(CPACK_DEBIAN_DEMO_PACKAGE_NAME qzlv2-demo)
set(CPACK_COMPONENT_HOSTLIBS_DESCRIPTION
    "Stand-ins of the quote client's libraries (QzQuoter, QzAccess, QzCore, Tolk) the plug-in runs on")
set(CPACK_COMPONENT_SIMSERVER_DESCRIPTION
    "Simulated Level-2 quote server, for a host's tests and demos without a network")
set(CPACK_COMPONENT_PLUGIN_DESCRIPTION "The QzLv2Quoter Qt 5 plug-in module (for a quote client)")
set(CPACK_COMPONENT_DEV_DESCRIPTION
    "Headers, CMake package and pkg-config files for building a host of the QzLv2Quoter plug-in")
set(CPACK_COMPONENT_DEMO_DESCRIPTION
    "qzlv2, the demo host with an embedded simulated market, its quote window qzlv2-gui, qzlv2-server, the market as a server process, and the minimal host")
set(CPACK_COMPONENT_SIMSERVER_DEPENDS hostlibs)
set(CPACK_COMPONENT_PLUGIN_DEPENDS hostlibs)
set(CPACK_COMPONENT_DEV_DEPENDS hostlibs simserver)
set(CPACK_COMPONENT_DEMO_DEPENDS plugin simserver hostlibs)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
# The system's libraries from the binaries themselves; ours are found where they are built.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS)
foreach(lib QzCore Tolk QzAccess QzQuoter QzSimServer)
  get_target_property(dir ${lib} BINARY_DIR)
  list(APPEND CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${dir})
endforeach()
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")  # the SONAME number says when the ABI breaks
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "qtbase5-dev (>= ${QZ_QT_MIN_VERSION})")
set(CPACK_DEBIAN_DEV_PACKAGE_RECOMMENDS "qzlv2-plugin")
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_HOSTLIBS_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_SIMSERVER_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
include(CPack)
