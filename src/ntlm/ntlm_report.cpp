#include "ntlm/ntlm_report.h"

#include <cstdio>

namespace qor {
namespace {

constexpr char kFailedCall[] = "%s failed with %08X\n";
constexpr char kMissingCall[] = "%s not supported.\n";

}  // namespace

void report_failed_call(const char *call, SECURITY_STATUS status) {
    std::fprintf(stderr, kFailedCall, call, static_cast<unsigned>(status));
}

void report_missing_call(const char *call) { std::fprintf(stderr, kMissingCall, call); }

}  // namespace qor
