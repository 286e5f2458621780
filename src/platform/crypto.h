// Message digests with the shape of the Windows CryptoAPI: acquire a
// provider context, create a hash object, feed it, read the value, destroy
// the hash and release the context. Each call answers true or false and
// leaves the reason in crypt_last_error(), as GetLastError would. One
// backend per platform.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qor::platform {

using CryptProvider = uintptr_t;
using CryptHash = uintptr_t;

// Provider types.
constexpr uint32_t kProvRsaFull = 1;  // MD5 and SHA-1
constexpr uint32_t kProvRsaAes = 24;  // also SHA-256, SHA-384, SHA-512

// Flags of crypt_acquire_context.
constexpr uint32_t kCryptNewKeyset = 0x8;

// Algorithm identifiers.
constexpr uint32_t kCalgMd5 = 0x8003;
constexpr uint32_t kCalgSha1 = 0x8004;
constexpr uint32_t kCalgSha256 = 0x800c;
constexpr uint32_t kCalgSha384 = 0x800d;
constexpr uint32_t kCalgSha512 = 0x800e;

// Parameter of crypt_get_hash_param: the digest value.
constexpr uint32_t kHpHashVal = 2;

// Error codes, as GetLastError reports them.
constexpr uint32_t kErrorInvalidParameter = 87;
constexpr uint32_t kErrorMoreData = 234;
constexpr uint32_t kNteBadHash = 0x80090002;
constexpr uint32_t kNteBadType = 0x8009000A;
constexpr uint32_t kNteBadAlgid = 0x80090008;
constexpr uint32_t kNteBadFlags = 0x80090009;
constexpr uint32_t kNteBadHashState = 0x8009000C;
constexpr uint32_t kNteBadKeyset = 0x80090016;
constexpr uint32_t kNteExists = 0x8009000F;
constexpr uint32_t kNteProvTypeNotDef = 0x80090017;
constexpr uint32_t kNteNoMemory = 0x8009000E;
constexpr uint32_t kNteFail = 0x80090020;

// container and provider: null for the default ones.
bool crypt_acquire_context(CryptProvider *provider, const char *container, const char *provider_name,
                           uint32_t provider_type, uint32_t flags);
// key: 0, no keyed hashes here.
bool crypt_create_hash(CryptProvider provider, uint32_t algorithm, uintptr_t key, uint32_t flags, CryptHash *hash);
bool crypt_hash_data(CryptHash hash, const unsigned char *data, uint32_t length, uint32_t flags);
// In: *length is the room at data. Out: the digest's length, also when the
// room was too small (then false with kErrorMoreData).
bool crypt_get_hash_param(CryptHash hash, uint32_t parameter, unsigned char *data, uint32_t *length, uint32_t flags);
bool crypt_destroy_hash(CryptHash hash);
bool crypt_release_context(CryptProvider provider, uint32_t flags);
// The reason of this thread's last failed call above.
uint32_t crypt_last_error();

// Tests only: make the next calls on this thread fail. Each count says how
// many of the following calls of that kind fail (with the given error for
// acquire); zero leaves them alone.
struct CryptFaults {
    int acquire_failures = 0;
    uint32_t acquire_error = kNteBadKeyset;
    uint32_t retry_error = 0;  // of the later injected acquire failures; 0: acquire_error
    int create_failures = 0;
    int hash_failures = 0;
    int get_failures = 0;
};
void set_crypt_faults_for_testing(const CryptFaults &faults);

// Tests only: what happened since the last set_crypt_faults_for_testing on
// this thread, and the provider contexts and hash objects alive in the
// whole process.
struct CryptTrace {
    int acquire_calls;
    uint32_t last_acquire_flags;
    long live_providers;
    long live_hashes;
};
CryptTrace crypt_trace_for_testing();

}  // namespace qor::platform
