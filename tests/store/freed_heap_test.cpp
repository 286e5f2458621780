// What a password leaves in freed memory: this program replaces the global
// allocation functions, and while a scan is on, every block freed through
// them is searched for the password (as text and in UTF-16LE) before it
// goes back to the heap, and so is every block the C library frees (but
// under a sanitizer). Sealing, unsealing, saving and loading a profile,
// forming an Active Directory password value and a bind against the test
// directory must leave no copy.
#include <gtest/gtest.h>
#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "directory/unicode_pwd.h"
#include "qorldap9.h"
#include "sample_profile.h"
#include "store/seal.h"
#include "temp_registry.h"
#include "test_directory.h"

namespace {

// Long enough that no string keeps it inside its own object.
constexpr char kPassword[] = "Freed-heap scan: 7Kq!v2#Lm9@xR4$tW8&zP1^";
// The same in UTF-16LE, without the terminator.
char g_wide[2 * (sizeof kPassword - 1)];

std::atomic<bool> g_scanning{false};
std::atomic<int> g_copies{0};

void scan_freed(void *block) {
    if (block == nullptr || !g_scanning.load()) return;
    size_t size = malloc_usable_size(block);
    if (memmem(block, size, kPassword, sizeof kPassword - 1) != nullptr ||
        memmem(block, size, g_wide, sizeof g_wide) != nullptr)
        g_copies.fetch_add(1);
}

void *allocate(size_t size) {
    void *block = malloc(size == 0 ? 1 : size);
    if (block == nullptr) throw std::bad_alloc();
    return block;
}

}  // namespace

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// The sanitizer owns free(): only the C++ frees are searched.
constexpr bool kSearchesEveryFree = false;
#else
// Every block the C library frees, libldap's and liblber's among them.
constexpr bool kSearchesEveryFree = true;
extern "C" void __libc_free(void *block);
extern "C" void free(void *block) {
    scan_freed(block);
    __libc_free(block);
}
#endif

namespace {

void release(void *block) {
    if (!kSearchesEveryFree) scan_freed(block);
    free(block);
}

}  // namespace

void *operator new(size_t size) { return allocate(size); }
void *operator new[](size_t size) { return allocate(size); }
void *operator new(size_t size, const std::nothrow_t &) noexcept { return malloc(size == 0 ? 1 : size); }
void *operator new[](size_t size, const std::nothrow_t &) noexcept { return malloc(size == 0 ? 1 : size); }
void operator delete(void *block, const std::nothrow_t &) noexcept { release(block); }
void operator delete[](void *block, const std::nothrow_t &) noexcept { release(block); }
void operator delete(void *block) noexcept { release(block); }
void operator delete[](void *block) noexcept { release(block); }
void operator delete(void *block, size_t) noexcept { release(block); }
void operator delete[](void *block, size_t) noexcept { release(block); }

namespace {

class FreedHeap : public TempRegistry {
  protected:
    void SetUp() override {
        TempRegistry::SetUp();
        for (size_t i = 0; i + 1 < sizeof kPassword; ++i) {
            g_wide[2 * i] = kPassword[i];
            g_wide[2 * i + 1] = '\0';
        }
        g_copies = 0;
    }
    void TearDown() override {
        g_scanning = false;
        TempRegistry::TearDown();
    }
    // Runs step with the scan on; answers how many freed blocks held the
    // password.
    template <class Step>
    int copies_left_by(Step step) {
        g_copies = 0;
        g_scanning = true;
        step();
        g_scanning = false;
        return g_copies.load();
    }
};

TEST_F(FreedHeap, SealingAndUnsealing) {
    char text[qor::kSealedTextSize];
    char back[qor::kSealMaxPassword + 1];
    bool sealed = false, unsealed = false;
    EXPECT_EQ(copies_left_by([&] { sealed = qor::seal_password(kPassword, text, sizeof text); }), 0);
    EXPECT_EQ(copies_left_by([&] { unsealed = qor::unseal_password(text, back, sizeof back); }), 0);
    ASSERT_TRUE(sealed);
    ASSERT_TRUE(unsealed);
    EXPECT_STREQ(back, kPassword);
}

TEST_F(FreedHeap, SavingAndLoadingAProfile) {
    LDAP_Config saved = sample_profile(1, kPassword);
    LDAP_Config loaded;
    LDAP_Config_initializeEx(&loaded);
    int save_rc = 0, load_rc = 0;
    EXPECT_EQ(copies_left_by([&] { save_rc = LDAP_Config_saveEx(&saved, "wiped", LDC_LOC_USER_COMMON); }), 0);
    EXPECT_EQ(copies_left_by([&] { load_rc = LDAP_Config_loadEx(&loaded, "wiped", LDC_LOC_USER_COMMON); }), 0);
    ASSERT_EQ(save_rc, 1);
    ASSERT_EQ(load_rc, 1);
    EXPECT_STREQ(loaded.BindPwd, kPassword);
}

TEST_F(FreedHeap, ActiveDirectoryPasswordValue) {
    size_t length = 0;
    EXPECT_EQ(copies_left_by([&] {
                  auto value = qor::unicode_pwd_value(kPassword);
                  length = value.size();
              }),
              0);
    EXPECT_EQ(length, 2 * (sizeof kPassword - 1 + 2));
}

}  // namespace

// libldap encodes the bind request, password included, in buffers of
// liblber's, which the library has it wipe before they are freed.
TEST_F(FreedHeap, BindToTheDirectory) {
    if (!kSearchesEveryFree) GTEST_SKIP() << "the sanitizer owns free(): C library frees are not searched";
    QOR_REQUIRE_SLAPD(dir);
    LDAP_Config r;
    LDAP_Config_initializeEx(&r);
    LDC_setHostNamesEx(&r, (dir->host() + ":" + std::to_string(dir->ldap_port())).c_str());
    LDC_setBaseDNEx(&r, dir->base().c_str());
    LDC_setmbFlags(&r, LDC_MB_SIMPLE | LDC_MB_POSIX);
    int rc = 0;
    // A user the directory does not hold: the bind is refused, no lockout.
    EXPECT_EQ(copies_left_by([&] { rc = ldap_verifyPasswdEx(&r, "freed-heap-nobody", kPassword); }), 0);
    EXPECT_EQ(rc, LDC_E_PASSWORD_REFUSED);
    EXPECT_EQ(LDC_lastStepEx(), LDC_STEP_BIND);
}
