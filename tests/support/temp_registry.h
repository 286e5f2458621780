// A private registry for one test. On Linux: a fresh folder named by
// QORLDAP9_REGISTRY_DIR, removed with everything in it afterwards. On
// Windows: a fresh key of the real registry standing in for each root
// (HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS) in this process,
// removed afterwards, so tests running at once never meet.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#ifdef _WIN32
#include <windows.h>

class TempRegistry : public ::testing::Test {
  protected:
    void SetUp() override {
        base_ = "Software\\QorldapTests\\" + std::to_string(GetCurrentProcessId());
        // Every stand-in is made before any root is redirected.
        for (size_t i = 0; i < kRoots; ++i) {
            std::string path = base_ + "\\" + std::to_string(i);
            ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                      &stand_in_[i], nullptr),
                      ERROR_SUCCESS);
        }
        for (size_t i = 0; i < kRoots; ++i) ASSERT_EQ(RegOverridePredefKey(root(i), stand_in_[i]), ERROR_SUCCESS);
    }
    void TearDown() override {
        for (size_t i = 0; i < kRoots; ++i) {
            RegOverridePredefKey(root(i), nullptr);
            if (stand_in_[i] != nullptr) RegCloseKey(stand_in_[i]);
        }
        RegDeleteTreeA(HKEY_CURRENT_USER, base_.c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, base_.c_str());
    }

  private:
    static constexpr size_t kRoots = 3;
    static HKEY root(size_t i) {
        const HKEY roots[kRoots] = {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS};
        return roots[i];
    }
    std::string base_;
    HKEY stand_in_[kRoots] = {};
};

#else
#include <ftw.h>
#include <stdlib.h>
#include <unistd.h>

class TempRegistry : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/qorldap9-registry-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        setenv("QORLDAP9_REGISTRY_DIR", dir_.c_str(), 1);
    }
    void TearDown() override {
        unsetenv("QORLDAP9_REGISTRY_DIR");
        if (!dir_.empty())
            nftw(
                dir_.c_str(), [](const char *path, const struct stat *, int, struct FTW *) { return remove(path); }, 16,
                FTW_DEPTH | FTW_PHYS);
    }
    const std::string &registry_dir() const { return dir_; }

  private:
    std::string dir_;
};
#endif
