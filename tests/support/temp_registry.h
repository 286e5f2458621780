// A private registry for one test: a fresh folder named by
// QORLDAP9_REGISTRY_DIR, removed with everything in it afterwards.
#pragma once

#include <gtest/gtest.h>
#include <ftw.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <string>

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
