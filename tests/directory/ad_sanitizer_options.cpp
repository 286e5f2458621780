// Under AddressSanitizer, leaks are traced through every frame: the
// system libraries of the negotiate bind keep no frame pointers, and the
// leak suppressed for Cyrus SASL's GSSAPI plugin is only seen by name
// with the slow unwinder.
extern "C" const char *__asan_default_options();
extern "C" const char *__asan_default_options() { return "fast_unwind_on_malloc=0"; }
