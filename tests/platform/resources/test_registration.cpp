// The platform tests register their own resource module, as a program does.
#include "program_registration.h"

extern "C" const unsigned char platform_test_resources_begin[];
extern "C" const unsigned char platform_test_resources_end[];

namespace {
const bool g_registered =
    (kernel32::RegisterModule(L"platform_tests", {platform_test_resources_begin, platform_test_resources_end}), true);
}  // namespace
