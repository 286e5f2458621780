// A profile record that ends where readable memory ends, to catch reads
// past it.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstring>

#include "qorldap9.h"

// A record whose text fields are all full, none terminated, placed so that
// its last byte is the last readable one: a read past it faults (and
// AddressSanitizer names it) instead of finding some zero further on.
struct UnterminatedRecord {
    LDAP_Config *record = nullptr;

    // flags: MBFlags's low byte; the other three bytes hold no zero.
    explicit UnterminatedRecord(unsigned char flags) {
        page_ = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        size_t room = (sizeof(LDAP_Config) + page_ - 1) / page_ * page_;
        void *p = mmap(nullptr, room + page_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) return;
        base_ = static_cast<char *>(p);
        size_ = room + page_;
        mprotect(base_ + room, page_, PROT_NONE);
        record = reinterpret_cast<LDAP_Config *>(base_ + room - sizeof(LDAP_Config));
        memset(record, 'x', sizeof(LDAP_Config));
        record->MBFlags = static_cast<int32_t>(0x78787800u | flags);
    }
    ~UnterminatedRecord() {
        if (base_ != nullptr) munmap(base_, size_);
    }
    UnterminatedRecord(const UnterminatedRecord &) = delete;
    UnterminatedRecord &operator=(const UnterminatedRecord &) = delete;

  private:
    char *base_ = nullptr;
    size_t size_ = 0;
    size_t page_ = 0;
};
