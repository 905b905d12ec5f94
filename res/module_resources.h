// The module's compiled resource image (a windres .res file) as linked into the program.
#pragma once

#include <span>

// The whole image, from its leading empty entry to its last resource; it lives as long as
// the program.
std::span<const unsigned char> ModuleResourceImage();
