#include "platform/ldap_client.h"
#include "qorldap9.h"

// The client's text for a result code. The library's own codes (7000 and
// up) are not the client's and get its text for an unknown code.
extern "C" char *QORLDAP9_CALL ldap_Err2String(int code) { return qor::platform::err2string(code); }
