# The test areas that run under Wine: those whose tests need no Linux-only
# piece (the SQLite registry, libxcrypt formats, the GSSAPI provider, the
# Kerberos fixture), and the Windows tests in this folder.
set(test_dirs "")
foreach(area IN ITEMS fixtures config win32)
  list(APPEND test_dirs ${CMAKE_CURRENT_SOURCE_DIR}/${area})
endforeach()
