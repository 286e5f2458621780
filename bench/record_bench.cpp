// Record operations: time and heap allocations per call (none expected).
#include <cstring>

#include "alloc_counter.h"
#include "bench_common.h"
#include "qorldap9.h"

namespace {

LDAP_Config filled() {
    LDAP_Config r;
    LDAP_Config_initializeEx(&r);
    LDC_setBaseDNEx(&r, "dc=corp,dc=example,dc=com");
    LDC_setHostNamesEx(&r, "ldap1.example.com:389");
    LDC_setmbFlags(&r, LDC_MB_POSIX | LDC_MB_SIMPLE);
    return r;
}

template <typename Op>
void count_allocations(benchmark::State &state, Op op) {
    size_t before = qorbench::allocations();
    for (auto _ : state) op();
    size_t made = qorbench::allocations() - before;
    state.counters["allocs"] = benchmark::Counter(static_cast<double>(made) / static_cast<double>(state.iterations()));
}

void initialize(benchmark::State &state) {
    LDAP_Config r;
    count_allocations(state, [&] {
        LDAP_Config_initializeEx(&r);
        benchmark::DoNotOptimize(r);
    });
}

void copy(benchmark::State &state) {
    LDAP_Config source = filled(), destination;
    count_allocations(state, [&] {
        LDAP_Config_copyEx(&source, &destination);
        benchmark::DoNotOptimize(destination);
    });
}

void add_server(benchmark::State &state) {
    LDAP_Config r = filled();
    count_allocations(state, [&] {
        r.HostNames[0] = '\0';
        if (LDC_addServerEx(&r, "ldap2", 636) != 0) state.SkipWithError("add server failed");
        benchmark::DoNotOptimize(r);
    });
}

void form_dn(benchmark::State &state) {
    LDAP_Config r = filled();
    char dn[LDC_BASEDN_SIZE + 64];
    count_allocations(state, [&] {
        LDC_formUserDNEx(&r, "j,doe", dn);  // a name with a comma stands as given
        LDC_formUserDNEx(&r, "jdoe", dn);
        benchmark::DoNotOptimize(dn);
    });
}

void dns_domain(benchmark::State &state) {
    LDAP_Config r = filled();
    char domain[256];
    count_allocations(state, [&] {
        LDC_formDnsDomainEx(&r, domain, sizeof domain);
        benchmark::DoNotOptimize(domain);
    });
}

QORBENCH_REGISTER(initialize, "record/initialize", initialize);
QORBENCH_REGISTER(copy, "record/copy", copy);
QORBENCH_REGISTER(add_server, "record/add_server", add_server);
QORBENCH_REGISTER(form_dn, "record/form_dn", form_dn);
QORBENCH_REGISTER(dns_domain, "record/dns_domain", dns_domain);

QORBENCH_TARGET(record, qorbench::Section::kRecordOperations, s.allocations("initialise", "record/initialize");
                s.allocations("copy", "record/copy"); s.allocations("add server", "record/add_server");
                s.allocations("form user DN", "record/form_dn"); s.allocations("DNS domain", "record/dns_domain"));

}  // namespace
