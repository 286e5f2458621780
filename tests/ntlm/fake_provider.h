// Control and observation of the test providers built from
// fake_provider.cpp. The tests open a provider themselves first, so its
// settings and counters outlive the check's own load and unload.
#pragma once

#include "platform/sspi.h"

// The steps a fake provider can be told to fail or to ask completion at.
enum FakeStep {
    kFakeNone = 0,
    kFakeClientAcquire,
    kFakeServerAcquire,
    kFakeClientFirst,   // first InitializeSecurityContextA
    kFakeServerFirst,   // first AcceptSecurityContext
    kFakeClientSecond,  // second InitializeSecurityContextA
    kFakeServerSecond,  // second AcceptSecurityContext: the verdict
};

struct FakeConfig {
    int fail_step;                    // FakeStep
    SECURITY_STATUS fail_status;      // returned there
    int complete_step;                // FakeStep answering SEC_I_COMPLETE_NEEDED
    SECURITY_STATUS complete_status;  // what CompleteAuthToken returns
    int query_fails;                  // QuerySecurityPackageInfoA fails
    SEC_ULONG max_token;
    int overstate_step;  // FakeStep claiming a token longer than its buffer
};

struct FakeStats {
    int live_credentials;
    int live_contexts;
    int outbound_acquires;
    int inbound_acquires;
    int completions;
    int package_infos_live;
    SEC_ULONG last_domain_length;
    int last_domain_null;
    SEC_ULONG last_user_length;
    SEC_ULONG last_password_length;
    SEC_ULONG last_identity_flags;
};

// The password the fake server accepts.
#define FAKE_RIGHT_PASSWORD "right"

typedef void (*FakeConfigureFn)(const FakeConfig *);
typedef void (*FakeStatsFn)(FakeStats *);
