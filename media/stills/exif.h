// A small EXIF block, enough for photo tools to see who made a picture, for the built-in camera's
// stills: real cameras' stills carry far more, and ours must look like theirs to the importer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace media {

// Puts an APP1 Exif segment naming `make` and `model`, with the picture's size, right after the
// SOI of `jpeg`. Does nothing to data that does not start with an SOI.
void AddExif(std::vector<uint8_t>& jpeg, const std::string& make, const std::string& model, int width, int height);

// True when `jpeg` carries an APP1 Exif segment before its first scan.
bool HasExif(const std::vector<uint8_t>& jpeg);

}  // namespace media
