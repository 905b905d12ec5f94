#include "module_resources.h"

// Bounds of the image, placed by module_resources.s.
extern "C" const unsigned char kinoree_module_resources_begin[];
extern "C" const unsigned char kinoree_module_resources_end[];

std::span<const unsigned char> ModuleResourceImage() {
    return {kinoree_module_resources_begin, kinoree_module_resources_end};
}
