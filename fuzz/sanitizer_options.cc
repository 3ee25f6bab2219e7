// Default settings of the sanitizers, built into every program of a sanitizer build
// (VORNIK_SANITIZE or VORNIK_FUZZ): leak checking on, and the few allocations that
// are meant to live until the process ends suppressed by name (see docs/reliability.md).

extern "C" {

// Read by AddressSanitizer at start; ASAN_OPTIONS given in the environment still win.
const char *__asan_default_options() { return "detect_leaks=1:abort_on_error=0"; }

const char *__ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }

const char *__lsan_default_suppressions() { return ""; }

}  // extern "C"
