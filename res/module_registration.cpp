// The program hands kernel32 its name and its resources while it starts, before its
// application object does anything: linked into the program (and the program's own tests), never
// into the platform's.
#include "module_resources.h"
#include "program_registration.h"

namespace {
const bool g_registered = (kernel32::RegisterModule(L"KinoreeV2", ModuleResourceImage()), true);
}  // namespace
