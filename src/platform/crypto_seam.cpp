#include "platform/crypto_seam.h"

#include <atomic>

#include "platform/crypto.h"

namespace qor::platform {
namespace {

thread_local CryptFaults t_faults;
thread_local int t_acquire_calls = 0;
thread_local uint32_t t_last_acquire_flags = 0;
std::atomic<long> g_live_providers{0};
std::atomic<long> g_live_hashes{0};

bool injected(int &pending) {
    if (pending <= 0) return false;
    --pending;
    return true;
}

}  // namespace

namespace crypto_seam {

uint32_t acquire_called(uint32_t flags) {
    ++t_acquire_calls;
    t_last_acquire_flags = flags;
    if (!injected(t_faults.acquire_failures)) return 0;
    return t_acquire_calls > 1 && t_faults.retry_error != 0 ? t_faults.retry_error : t_faults.acquire_error;
}

bool create_fails() { return injected(t_faults.create_failures); }
bool hash_fails() { return injected(t_faults.hash_failures); }
bool get_fails() { return injected(t_faults.get_failures); }

void provider_opened() { ++g_live_providers; }
void provider_closed() { --g_live_providers; }
void hash_opened() { ++g_live_hashes; }
void hash_closed() { --g_live_hashes; }

}  // namespace crypto_seam

void set_crypt_faults_for_testing(const CryptFaults &faults) {
    t_faults = faults;
    t_acquire_calls = 0;
    t_last_acquire_flags = 0;
}

CryptTrace crypt_trace_for_testing() {
    return CryptTrace{t_acquire_calls, t_last_acquire_flags, g_live_providers.load(), g_live_hashes.load()};
}

}  // namespace qor::platform
