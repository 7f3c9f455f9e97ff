# What `cmake --install` and `cpack -G DEB` lay out, in two components:
#   plugin  the plug-in module, in <libdir>/qzlv2/plugins (a host adds that directory with
#           QCoreApplication::addLibraryPath, or loads the file by its path);
#   demo    the demo host `qzlv2`, the README's minimal host, and the stand-in host libraries
#           they run on (in <libdir>/qzlv2; a real client brings its own).
# Installed programs find their libraries through $ORIGIN-relative run paths, so the tree can be
# moved or unpacked anywhere.
# (The directories are set in the top CMakeLists.txt: QZ_INSTALL_HOSTLIBDIR, QZ_INSTALL_PLUGINDIR.)
file(RELATIVE_PATH QZ_BIN_TO_HOSTLIBS /${CMAKE_INSTALL_BINDIR} /${QZ_INSTALL_HOSTLIBDIR})

set(QZ_HOST_LIBRARIES)
foreach(lib QzCore Tolk QzAccess QzQuoter)
  get_target_property(type ${lib} TYPE)
  if(type STREQUAL "SHARED_LIBRARY")
    list(APPEND QZ_HOST_LIBRARIES ${lib})
    set_target_properties(${lib} PROPERTIES INSTALL_RPATH "$ORIGIN")
  endif()
endforeach()
install(TARGETS ${QZ_HOST_LIBRARIES} LIBRARY DESTINATION ${QZ_INSTALL_HOSTLIBDIR} COMPONENT demo)

if(TARGET QzLv2Quoter)
  set_target_properties(QzLv2Quoter PROPERTIES INSTALL_RPATH "$ORIGIN/..")
  install(TARGETS QzLv2Quoter LIBRARY DESTINATION ${QZ_INSTALL_PLUGINDIR} COMPONENT plugin)
endif()

foreach(program qzlv2 qzlv2-minimal-host)
  if(TARGET ${program})
    set_target_properties(${program} PROPERTIES INSTALL_RPATH "$ORIGIN/${QZ_BIN_TO_HOSTLIBS}")
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT demo)
  endif()
endforeach()

# CTest runs the installed tree: install into the build directory, then the programs from there.
set(QZ_TEST_PREFIX ${CMAKE_BINARY_DIR}/test-install)
add_test(NAME install_tree COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR} --prefix ${QZ_TEST_PREFIX})
set_tests_properties(install_tree PROPERTIES FIXTURES_SETUP installed_tree)
add_test(NAME installed_minimal_host COMMAND ${QZ_TEST_PREFIX}/${CMAKE_INSTALL_BINDIR}/qzlv2-minimal-host)
add_test(NAME installed_qzlv2_watch
         COMMAND ${QZ_TEST_PREFIX}/${CMAKE_INSTALL_BINDIR}/qzlv2 watch SZ300750 --once --timeout 60)
set_tests_properties(installed_minimal_host installed_qzlv2_watch PROPERTIES
                     FIXTURES_REQUIRED installed_tree TIMEOUT 120)
set_tests_properties(installed_minimal_host PROPERTIES
                     PASS_REGULAR_EXPRESSION "SH600000 prev close 10\\.52 buy 1 [0-9]+\\.[0-9][0-9] x")
set_tests_properties(installed_qzlv2_watch PROPERTIES PASS_REGULAR_EXPRESSION "prev 180\\.35")

set(CPACK_PACKAGE_NAME qzlv2)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Level-2 market-data plug-in for a desktop stock-quote client")
set(CPACK_PACKAGE_CONTACT "QzLv2Quoter developers <qzlv2@localhost>")
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL plugin demo)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PLUGIN_PACKAGE_NAME qzlv2-plugin)
set(CPACK_DEBIAN_DEMO_PACKAGE_NAME qzlv2-demo)
set(CPACK_COMPONENT_PLUGIN_DESCRIPTION "The QzLv2Quoter Qt 5 plug-in module (for a quote client)")
set(CPACK_COMPONENT_DEMO_DESCRIPTION
    "qzlv2, the demo host with an embedded simulated market, a minimal host, and stand-ins of the client's libraries")
set(CPACK_COMPONENT_DEMO_DEPENDS plugin)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
# The stand-in libraries are private to the demo (run paths), so the dependencies are stated here.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6, libqt5core5a (>= 5.15), zlib1g")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
include(CPack)
