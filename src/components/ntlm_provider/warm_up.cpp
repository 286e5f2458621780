#include "warm_up.h"

#include <mutex>

#include "contexts.h"
#include "credentials.h"

namespace qorsspi {
namespace {

// The first round of an exchange for a user no file holds: negotiate,
// challenge, and no further.
void throwaway_round() {
    static char user[] = "qorsspi-warm-up";
    static char password[] = "";
    SEC_WINNT_AUTH_IDENTITY_A identity = {reinterpret_cast<unsigned char *>(user),
                                          sizeof user - 1,
                                          nullptr,
                                          0,
                                          reinterpret_cast<unsigned char *>(password),
                                          0,
                                          SEC_WINNT_AUTH_IDENTITY_ANSI};
    Credential client, server;
    client.inbound = false;
    server.inbound = true;
    Context initiator, acceptor;
    unsigned char client_token[4096], server_token[4096];
    SecBuffer client_buffer = {sizeof client_token, SECBUFFER_TOKEN, client_token};
    SecBuffer server_buffer = {sizeof server_token, SECBUFFER_TOKEN, server_token};

    if (acquire_outbound(identity, &client.cred) >= 0 && acquire_inbound(&server.cred) >= 0 &&
        initialize_step(client, &initiator, nullptr, &client_buffer) >= 0)
        accept_step(server, &acceptor, client_buffer, &server_buffer);
    OM_uint32 minor = 0;
    gss_delete_sec_context(&minor, &initiator.ctx, GSS_C_NO_BUFFER);
    gss_delete_sec_context(&minor, &acceptor.ctx, GSS_C_NO_BUFFER);
    gss_release_name(&minor, &initiator.target);
    gss_release_cred(&minor, &client.cred);
    gss_release_cred(&minor, &server.cred);
}

}  // namespace

void warm_up_once() {
    static std::once_flag once;
    std::call_once(once, throwaway_round);
}

}  // namespace qorsspi
