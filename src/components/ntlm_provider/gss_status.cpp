#include "gss_status.h"

namespace qorsspi {

SECURITY_STATUS sspi_status(OM_uint32 major, SECURITY_STATUS on_failure) {
    switch (GSS_ROUTINE_ERROR(major)) {
        case GSS_S_COMPLETE:
            if (GSS_CALLING_ERROR(major) != 0) return SEC_E_INVALID_PARAMETER;
            return (major & GSS_S_CONTINUE_NEEDED) ? SEC_I_CONTINUE_NEEDED : SEC_E_OK;
        case GSS_S_BAD_MECH:
            return SEC_E_SECPKG_NOT_FOUND;
        case GSS_S_BAD_NAME:
        case GSS_S_BAD_NAMETYPE:
            return SEC_E_TARGET_UNKNOWN;
        case GSS_S_DEFECTIVE_TOKEN:
        case GSS_S_BAD_SIG:
        case GSS_S_DUPLICATE_TOKEN:
        case GSS_S_OLD_TOKEN:
            return SEC_E_INVALID_TOKEN;
        case GSS_S_NO_CRED:
        case GSS_S_DEFECTIVE_CREDENTIAL:
        case GSS_S_CREDENTIALS_EXPIRED:
            return SEC_E_NO_CREDENTIALS;
        case GSS_S_NO_CONTEXT:
            return SEC_E_INVALID_HANDLE;
        default:
            return on_failure;
    }
}

}  // namespace qorsspi
