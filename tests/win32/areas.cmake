# The test areas that run under Wine: those whose tests need no Linux-only
# piece (the SQLite registry, libxcrypt formats, the GSSAPI provider, the
# Kerberos fixture), and the Windows tests in this folder, which also
# start the test slapd.
set(test_dirs "")
foreach(area IN ITEMS config win32)
  list(APPEND test_dirs ${CMAKE_CURRENT_SOURCE_DIR}/${area})
endforeach()
