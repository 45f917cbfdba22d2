// AddressSanitizer's defaults for every fuzz target (ASAN_OPTIONS still overrides them).
// malloc_context_size=0 (the sanitizer keeps one frame): only the place of each allocation and
// release is recorded, not its whole call stack, which cost about a twentieth of a run; every
// fault is found and reported as before, and the whole stacks of where a block was allocated and
// released come with the report when the finding is run again with
// ASAN_OPTIONS=malloc_context_size=30.
// quarantine_size_mb=16: a released block is held back from reuse (so that a use after its
// release is caught) until 16 MB more were released, instead of 256 MB. The costliest input (an
// XLSX workbook of fuzz_write) allocates under 8 MB in all, so a block released during a run
// stays held back for the rest of that run as before; a quarantine that fits the processor's
// cache made the writers' target a quarter faster.
extern "C" const char* __asan_default_options() { return "malloc_context_size=0:quarantine_size_mb=16"; }
