#include "mech.h"

#include <gssapi/gssapi_ntlmssp.h>

#include <cstring>

namespace qorsspi {
namespace {

gss_OID_desc g_oid = {GSS_NTLMSSP_OID_LENGTH, const_cast<char *>(GSS_NTLMSSP_OID_STRING)};
gss_OID_set_desc g_mechs = {1, &g_oid};
char g_service[] = "host@localhost";

}  // namespace

gss_OID ntlmssp_oid() { return &g_oid; }
gss_OID_set ntlmssp_mechs() { return &g_mechs; }

OM_uint32 import_service_name(OM_uint32 *minor, gss_name_t *name) {
    gss_buffer_desc text = {std::strlen(g_service), g_service};
    return gss_import_name(minor, &text, GSS_C_NT_HOSTBASED_SERVICE, name);
}

}  // namespace qorsspi
