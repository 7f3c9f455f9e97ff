# qz_public_library(<target> COMPONENT <component> HEADERS <files...>)
# A shared library that hosts build against: versioned (lib<target>.so.<QZ_SOVERSION>), installed
# in QZ_INSTALL_HOSTLIBDIR with <component> and its unversioned link and headers with "dev" (the
# headers under QZ_INSTALL_INCLUDEDIR at their source paths, "host/core/HostClock.h"), exported
# as QzLv2Quoter::<target>. The same name is an alias here, so that a host's CMake reads alike in
# this tree and outside it.
function(qz_public_library target)
  cmake_parse_arguments(ARG "" "COMPONENT" "HEADERS" ${ARGN})
  set_target_properties(${target} PROPERTIES VERSION ${QzLv2Quoter_VERSION} SOVERSION ${QZ_SOVERSION}
                                             INSTALL_RPATH "$ORIGIN")
  target_include_directories(${target} PUBLIC $<BUILD_INTERFACE:${QzLv2Quoter_SOURCE_DIR}>
                                              $<INSTALL_INTERFACE:${QZ_INSTALL_INCLUDEDIR}>)
  target_compile_features(${target} PUBLIC cxx_std_17)
  add_library(QzLv2Quoter::${target} ALIAS ${target})
  install(TARGETS ${target} EXPORT QzLv2QuoterTargets
          LIBRARY DESTINATION ${QZ_INSTALL_HOSTLIBDIR} COMPONENT ${ARG_COMPONENT} NAMELINK_COMPONENT dev)
  foreach(header ${ARG_HEADERS})
    file(RELATIVE_PATH path ${QzLv2Quoter_SOURCE_DIR} ${header})
    get_filename_component(dir ${path} DIRECTORY)
    install(FILES ${header} DESTINATION ${QZ_INSTALL_INCLUDEDIR}/${dir} COMPONENT dev)
  endforeach()
endfunction()

# qz_host_library(<name> LIBS <targets...>)
# A stand-in of one of the client's libraries: every source of the calling folder and its
# subfolders, linked to LIBS, shipped with the other stand-ins ("hostlibs").
function(qz_host_library name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*/*.cpp)
  file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*/*.h)
  add_library(${name} SHARED ${sources} ${headers})
  target_link_libraries(${name} ${ARG_LIBS})
  qz_public_library(${name} COMPONENT hostlibs HEADERS ${headers})
endfunction()
