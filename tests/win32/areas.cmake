# The test areas that run under Wine, from the same sources as on Linux:
# each area's CMakeLists.txt builds there the programs whose tests run on
# Windows (leaving out, or skipping, what needs a Linux-only piece: the
# SQLite registry, libxcrypt formats, the GSSAPI provider, the Kerberos
# fixture). The Windows tests of their own in win32/ also start the test
# slapd and register the store COM server.
set(test_dirs "")
foreach(area IN ITEMS config store win32)
  list(APPEND test_dirs ${CMAKE_CURRENT_SOURCE_DIR}/${area})
endforeach()
