// A test provider with the eight entry points' shapes. Its exchange is a
// toy: the client's second token carries the password and the server's
// second step accepts FAKE_RIGHT_PASSWORD only. Variants leave out entry
// points (FAKE_NO_COMPLETE, FAKE_NO_ACCEPT, FAKE_NO_QUERY).
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "fake_provider.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::mutex g_lock;
FakeConfig g_config = {kFakeNone, 0, kFakeNone, SEC_E_OK, 0, 64, kFakeNone};
FakeStats g_stats{};

FakeConfig config() {
    std::lock_guard<std::mutex> lock(g_lock);
    return g_config;
}

template <class Change>
void count(Change change) {
    std::lock_guard<std::mutex> lock(g_lock);
    change(g_stats);
}

struct Cred {
    bool inbound;
    std::string password;
};
struct Ctx {};

SECURITY_STATUS step_status(int step, SECURITY_STATUS normal) {
    FakeConfig c = config();
    if (c.fail_step == step) return c.fail_status;
    if (c.complete_step == step) return SEC_I_COMPLETE_NEEDED;
    return normal;
}

bool put(PSecBufferDesc desc, const std::string &token) {
    if (desc == nullptr || desc->cBuffers != 1 || desc->pBuffers[0].BufferType != SECBUFFER_TOKEN) return false;
    SecBuffer &b = desc->pBuffers[0];
    if (b.cbBuffer < token.size()) return false;
    std::memcpy(b.pvBuffer, token.data(), token.size());
    b.cbBuffer = static_cast<SEC_ULONG>(token.size());
    return true;
}

std::string get(PSecBufferDesc desc) {
    if (desc == nullptr || desc->cBuffers != 1) return "";
    return std::string(static_cast<const char *>(desc->pBuffers[0].pvBuffer), desc->pBuffers[0].cbBuffer);
}

// Runs one context step: the status the configuration dictates, then the
// token, then (on a first step that succeeded) a new context.
template <class MakeToken>
SECURITY_STATUS context_step(PCtxtHandle in, PCtxtHandle out, int first_step, int second_step, PSecBufferDesc output,
                             MakeToken make_token) {
    bool first = in == nullptr;
    int step = first ? first_step : second_step;
    SECURITY_STATUS status = step_status(step, first ? SEC_I_CONTINUE_NEEDED : SEC_E_OK);
    if (status < 0) return status;
    std::string token;
    SECURITY_STATUS made = make_token(first, &token);
    if (made < 0) return made;
    if (!put(output, token)) return SEC_E_BUFFER_TOO_SMALL;
    if (config().overstate_step == step) output->pBuffers[0].cbBuffer += 1000;
    if (first) {
        out->dwLower = reinterpret_cast<uintptr_t>(new Ctx);
        out->dwUpper = 0;
        count([](FakeStats &s) { ++s.live_contexts; });
    }
    return status;
}

}  // namespace

FAKE_EXPORT void fake_configure(const FakeConfig *c) {
    std::lock_guard<std::mutex> lock(g_lock);
    g_config = *c;
    g_stats = FakeStats{};
}

FAKE_EXPORT void fake_stats(FakeStats *out) {
    std::lock_guard<std::mutex> lock(g_lock);
    *out = g_stats;
}

FAKE_EXPORT SECURITY_STATUS SEC_ENTRY AcquireCredentialsHandleA(SEC_CHAR *, SEC_CHAR *package, SEC_ULONG use, void *,
                                                                void *auth, SEC_GET_KEY_FN, void *, PCredHandle cred,
                                                                PTimeStamp) {
    if (package == nullptr || std::strcmp(package, "NTLM") != 0) return SEC_E_SECPKG_NOT_FOUND;
    bool inbound = use == SECPKG_CRED_INBOUND;
    SECURITY_STATUS status = step_status(inbound ? kFakeServerAcquire : kFakeClientAcquire, SEC_E_OK);
    if (status < 0) return status;
    auto *c = new Cred{inbound, ""};
    if (!inbound) {
        auto *id = static_cast<SEC_WINNT_AUTH_IDENTITY_A *>(auth);
        c->password.assign(reinterpret_cast<char *>(id->Password), id->PasswordLength);
        count([&](FakeStats &s) {
            s.last_domain_length = id->DomainLength;
            s.last_domain_null = id->Domain == nullptr;
            s.last_user_length = id->UserLength;
            s.last_password_length = id->PasswordLength;
            s.last_identity_flags = id->Flags;
        });
    }
    count([&](FakeStats &s) {
        ++s.live_credentials;
        ++(inbound ? s.inbound_acquires : s.outbound_acquires);
    });
    cred->dwLower = reinterpret_cast<uintptr_t>(c);
    cred->dwUpper = 0;
    return SEC_E_OK;
}

FAKE_EXPORT SECURITY_STATUS SEC_ENTRY FreeCredentialsHandle(PCredHandle cred) {
    delete reinterpret_cast<Cred *>(cred->dwLower);
    count([](FakeStats &s) { --s.live_credentials; });
    return SEC_E_OK;
}

FAKE_EXPORT SECURITY_STATUS SEC_ENTRY InitializeSecurityContextA(PCredHandle cred, PCtxtHandle in, SEC_CHAR *,
                                                                 SEC_ULONG, SEC_ULONG, SEC_ULONG, PSecBufferDesc input,
                                                                 SEC_ULONG, PCtxtHandle out, PSecBufferDesc output,
                                                                 SEC_ULONG *, PTimeStamp) {
    return context_step(in, out, kFakeClientFirst, kFakeClientSecond, output, [&](bool first, std::string *token) {
        if (first) {
            *token = "NEGOTIATE";
            return SEC_E_OK;
        }
        if (get(input) != "CHALLENGE") return SEC_E_INVALID_TOKEN;
        *token = "AUTH:" + reinterpret_cast<Cred *>(cred->dwLower)->password;
        return SEC_E_OK;
    });
}

#ifndef FAKE_NO_ACCEPT
FAKE_EXPORT SECURITY_STATUS SEC_ENTRY AcceptSecurityContext(PCredHandle, PCtxtHandle in, PSecBufferDesc input,
                                                            SEC_ULONG, SEC_ULONG, PCtxtHandle out,
                                                            PSecBufferDesc output, SEC_ULONG *, PTimeStamp) {
    return context_step(in, out, kFakeServerFirst, kFakeServerSecond, output, [&](bool first, std::string *token) {
        if (first) {
            *token = "CHALLENGE";
            return get(input) == "NEGOTIATE" ? SEC_E_OK : SEC_E_INVALID_TOKEN;
        }
        token->clear();
        return get(input) == "AUTH:" FAKE_RIGHT_PASSWORD ? SEC_E_OK : SEC_E_LOGON_DENIED;
    });
}
#endif

#ifndef FAKE_NO_COMPLETE
FAKE_EXPORT SECURITY_STATUS SEC_ENTRY CompleteAuthToken(PCtxtHandle, PSecBufferDesc) {
    count([](FakeStats &s) { ++s.completions; });
    return config().complete_status;
}
#endif

FAKE_EXPORT SECURITY_STATUS SEC_ENTRY DeleteSecurityContext(PCtxtHandle ctx) {
    delete reinterpret_cast<Ctx *>(ctx->dwLower);
    count([](FakeStats &s) { --s.live_contexts; });
    return SEC_E_OK;
}

FAKE_EXPORT SECURITY_STATUS SEC_ENTRY FreeContextBuffer(void *buffer) {
    if (buffer != nullptr) count([](FakeStats &s) { --s.package_infos_live; });
    std::free(buffer);
    return SEC_E_OK;
}

#ifndef FAKE_NO_QUERY
FAKE_EXPORT SECURITY_STATUS SEC_ENTRY QuerySecurityPackageInfoA(SEC_CHAR *, PSecPkgInfoA *info) {
    FakeConfig c = config();
    if (c.query_fails) {
        *info = nullptr;
        return SEC_E_SECPKG_NOT_FOUND;
    }
    *info = static_cast<PSecPkgInfoA>(std::calloc(1, sizeof(SecPkgInfoA)));
    (*info)->cbMaxToken = c.max_token;
    count([](FakeStats &s) { ++s.package_infos_live; });
    return SEC_E_OK;
}
#endif
