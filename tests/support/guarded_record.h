// A profile record with guard bytes on both sides, to catch writes
// outside it.
#pragma once

#include <gtest/gtest.h>

#include <cstring>

#include "qorldap9.h"

struct GuardedRecord {
    static constexpr unsigned char kGuard = 0xA5;
    unsigned char before[64];
    LDAP_Config record;
    unsigned char after[64];

    GuardedRecord() {
        memset(before, kGuard, sizeof before);
        memset(after, kGuard, sizeof after);
        LDAP_Config_initializeEx(&record);
    }
    bool guards_intact() const {
        for (unsigned char b : before)
            if (b != kGuard) return false;
        for (unsigned char b : after)
            if (b != kGuard) return false;
        return true;
    }
    LDAP_Config *operator->() { return &record; }
    LDAP_Config *get() { return &record; }
};
