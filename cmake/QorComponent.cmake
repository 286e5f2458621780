# qor_component(NAME SOURCES ... [EXPORTS list] [LIBS ...] [LINK_OPTIONS ...]):
# one outside component, a shared library built the same way for each:
# exactly the names of its export list visible (a version script on POSIX,
# a .def file on Windows; a component whose .def is written by hand lists
# it among its sources), every symbol resolved at link time, the project's
# warnings, the helpers of src/util. Installed, a component is the
# library's private part: in <libdir>/qorldap9 on POSIX, beside the DLL on
# Windows (where the system looks for it).
function(qor_component name)
  cmake_parse_arguments(C "" "EXPORTS" "SOURCES;LIBS;LINK_OPTIONS" ${ARGN})
  if(WIN32)
    if(C_EXPORTS)
      set(def ${CMAKE_CURRENT_BINARY_DIR}/${name}.def)
      qor_def_file(${C_EXPORTS} ${name}.dll ${def})
      list(APPEND C_SOURCES ${def})
    endif()
    add_library(${name} SHARED ${C_SOURCES})
    set_target_properties(${name} PROPERTIES PREFIX "")
  else()
    set(map ${CMAKE_CURRENT_BINARY_DIR}/${name}.map)
    qor_version_script(${C_EXPORTS} ${map})
    add_library(${name} SHARED ${C_SOURCES})
    set_target_properties(${name} PROPERTIES
      CXX_VISIBILITY_PRESET hidden
      VISIBILITY_INLINES_HIDDEN ON
      LINK_DEPENDS ${map})
    target_link_options(${name} PRIVATE -Wl,--version-script=${map} ${QOR_NO_UNDEFINED})
  endif()
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/include ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PRIVATE qor_util ${C_LIBS})
  if(C_LINK_OPTIONS)
    target_link_options(${name} PRIVATE ${C_LINK_OPTIONS})
  endif()
  qor_warnings(${name})
  install(TARGETS ${name}
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/${QOR_PRIVATE_FOLDER}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()
