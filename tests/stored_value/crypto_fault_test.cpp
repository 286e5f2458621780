// The CryptoAPI-shaped digests: published digest values, the provider's
// refusals, and every failing step of the conversation with nothing left
// acquired afterwards.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "stored_value/digest.h"
#include "stored_value/sha_value.h"
#include "platform/crypto.h"
#include "qorldap9.h"
#include "seam_guard.h"

namespace {

using namespace qor::platform;

const unsigned char *bytes(const char *text) { return reinterpret_cast<const unsigned char *>(text); }

std::string hex(const unsigned char *data, size_t length) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < length; ++i) {
        out += digits[data[i] >> 4];
        out += digits[data[i] & 15];
    }
    return out;
}

class CryptoDigestFaults : public ::testing::Test {
  protected:
    void TearDown() override {
        CryptTrace trace = crypt_trace_for_testing();
        EXPECT_EQ(trace.live_providers, 0) << "a provider context was not released";
        EXPECT_EQ(trace.live_hashes, 0) << "a hash object was not destroyed";
    }
    SeamGuard seams_;

    static bool sha_of(const char *text) {
        char out[qor::kShaValueSize];
        return qor::sha_value(bytes(text), strlen(text), out, sizeof out);
    }
};

// FIPS 180-2 examples for "abc".
TEST_F(CryptoDigestFaults, PublishedDigestsOfAbc) {
    struct Case {
        uint32_t type, algorithm;
        const char *digest;
    };
    const Case cases[] = {
        {kProvRsaFull, kCalgSha1, "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {kProvRsaFull, kCalgMd5, "900150983cd24fb0d6963f7d28e17f72"},
        {kProvRsaAes, kCalgSha256, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {kProvRsaAes, kCalgSha512,
         "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a"
         "2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f"},
    };
    for (const Case &c : cases) {
        unsigned char out[64];
        uint32_t length = sizeof out;
        // Split in two pieces, as a password and its salt are fed.
        ASSERT_TRUE(qor::compute_digest(c.type, c.algorithm, bytes("a"), 1, bytes("bc"), 2, out, &length));
        EXPECT_EQ(hex(out, length), c.digest);
    }
    char value[qor::kShaValueSize];
    ASSERT_TRUE(qor::sha_value(bytes("abc"), 3, value, sizeof value));
    EXPECT_STREQ(value, "{SHA}qZk+NkcGgWq6PiVxeFDCbJzQ2J0=");
    EXPECT_FALSE(qor::sha_value(bytes("abc"), 3, value, sizeof value - 1));
}

TEST_F(CryptoDigestFaults, MissingKeysetIsCreatedOnRetry) {
    CryptFaults faults;
    faults.acquire_failures = 1;
    faults.acquire_error = kNteBadKeyset;
    set_crypt_faults_for_testing(faults);
    EXPECT_TRUE(sha_of("abc"));
    CryptTrace trace = crypt_trace_for_testing();
    EXPECT_EQ(trace.acquire_calls, 2);
    EXPECT_EQ(trace.last_acquire_flags, kCryptNewKeyset);
}

TEST_F(CryptoDigestFaults, ContainerCreatedMeanwhileIsOpenedOnASecondRetry) {
    CryptFaults faults;
    faults.acquire_failures = 2;
    faults.acquire_error = kNteBadKeyset;
    faults.retry_error = kNteExists;
    set_crypt_faults_for_testing(faults);
    EXPECT_TRUE(sha_of("abc"));
    CryptTrace trace = crypt_trace_for_testing();
    EXPECT_EQ(trace.acquire_calls, 3);
    EXPECT_EQ(trace.last_acquire_flags, 0u);
}

TEST_F(CryptoDigestFaults, FailedRetryAnswersNo) {
    CryptFaults faults;
    faults.acquire_failures = 2;
    set_crypt_faults_for_testing(faults);
    EXPECT_FALSE(sha_of("abc"));
    EXPECT_EQ(crypt_trace_for_testing().acquire_calls, 2);
}

TEST_F(CryptoDigestFaults, OtherAcquireFailuresAreNotRetried) {
    CryptFaults faults;
    faults.acquire_failures = 1;
    faults.acquire_error = kNteProvTypeNotDef;
    set_crypt_faults_for_testing(faults);
    EXPECT_FALSE(sha_of("abc"));
    EXPECT_EQ(crypt_trace_for_testing().acquire_calls, 1);
}

TEST_F(CryptoDigestFaults, EachFailingStepReleasesWhatWasAcquired) {
    for (int step = 0; step < 3; ++step) {
        CryptFaults faults;
        int *count[] = {&faults.create_failures, &faults.hash_failures, &faults.get_failures};
        *count[step] = 1;
        set_crypt_faults_for_testing(faults);
        EXPECT_FALSE(sha_of("abc")) << "step " << step;
        CryptTrace trace = crypt_trace_for_testing();
        EXPECT_EQ(trace.live_providers, 0) << "step " << step;
        EXPECT_EQ(trace.live_hashes, 0) << "step " << step;
        // The fault is spent: the next digest succeeds.
        EXPECT_TRUE(sha_of("abc")) << "step " << step;
    }
}

TEST_F(CryptoDigestFaults, FailuresMakeStoredDigestsMismatch) {
    // "{SHA}" and "{SSHA256}" values of "abc" (salt "salt"), made once with
    // python3 -c 'import base64,hashlib; print(base64.b64encode(hashlib.sha256(b"abcsalt").digest()+b"salt").decode())'
    const char *sha = "{SHA}qZk+NkcGgWq6PiVxeFDCbJzQ2J0=";
    const char *ssha256 = "{SSHA256}Fps6Kwl36+4usf05LGqkcKMoHUOf8y8guupzCdf0DuxzYWx0";
    ASSERT_EQ(ldap_passwd_verify(sha, "abc"), 1);
    ASSERT_EQ(ldap_passwd_verify(ssha256, "abc"), 1);
    for (int step = 0; step < 4; ++step) {
        CryptFaults faults;
        faults.acquire_error = kNteFail;
        int *count[] = {&faults.acquire_failures, &faults.create_failures, &faults.hash_failures, &faults.get_failures};
        *count[step] = 1;
        set_crypt_faults_for_testing(faults);
        EXPECT_EQ(ldap_passwd_verify(sha, "abc"), 0) << "step " << step;
        set_crypt_faults_for_testing(faults);
        EXPECT_EQ(ldap_passwd_verify(ssha256, "abc"), 0) << "step " << step;
    }
}

TEST_F(CryptoDigestFaults, ProviderRefusals) {
    CryptProvider full = 0;
    ASSERT_TRUE(crypt_acquire_context(&full, nullptr, nullptr, kProvRsaFull, 0));
    CryptHash hash = 0;
    // SHA-2 needs the AES provider, as on Windows.
    EXPECT_FALSE(crypt_create_hash(full, kCalgSha256, 0, 0, &hash));
    EXPECT_EQ(crypt_last_error(), kNteBadAlgid);
    EXPECT_FALSE(crypt_create_hash(full, 0x1234, 0, 0, &hash));
    EXPECT_EQ(crypt_last_error(), kNteBadAlgid);

    ASSERT_TRUE(crypt_create_hash(full, kCalgSha1, 0, 0, &hash));
    ASSERT_TRUE(crypt_hash_data(hash, bytes("abc"), 3, 0));
    unsigned char value[20];
    uint32_t length = 19;
    EXPECT_FALSE(crypt_get_hash_param(hash, kHpHashVal, value, &length, 0));
    EXPECT_EQ(crypt_last_error(), kErrorMoreData);
    EXPECT_EQ(length, 20u);
    EXPECT_TRUE(crypt_get_hash_param(hash, kHpHashVal, value, &length, 0));
    EXPECT_EQ(hex(value, length), "a9993e364706816aba3e25717850c26c9cd0d89d");
    // The value has been read: the hash takes no more data.
    EXPECT_FALSE(crypt_hash_data(hash, bytes("d"), 1, 0));
    EXPECT_EQ(crypt_last_error(), kNteBadHashState);
    EXPECT_TRUE(crypt_destroy_hash(hash));
    EXPECT_TRUE(crypt_release_context(full, 0));

    CryptProvider other = 0;
    EXPECT_FALSE(crypt_acquire_context(&other, nullptr, nullptr, 99, 0));
    EXPECT_EQ(crypt_last_error(), kNteProvTypeNotDef);
    EXPECT_FALSE(crypt_acquire_context(&other, nullptr, "Some Provider", kProvRsaFull, 0));
    EXPECT_FALSE(crypt_destroy_hash(0));
    EXPECT_FALSE(crypt_release_context(0, 0));
}

}  // namespace
