#include "TestEnv.h"

#include <cstdlib>

// Read by the sanitizer runtimes at start-up; unused in a build without them.
extern "C" const char *__asan_default_options() { return "detect_leaks=1:abort_on_error=0"; }
extern "C" const char *__ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }
extern "C" const char *__lsan_default_suppressions()
{
    // Allocations that system libraries keep for the life of the process.
    return "leak:libfontconfig\nleak:libglib-2.0\nleak:libdbus-1\nleak:libX11\nleak:libxcb\n";
}

void dtuPrepareTestEnv()
{
    setenv("DTU_SIM_BIN", DTU_SIM_BIN_PATH, 0);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
}
