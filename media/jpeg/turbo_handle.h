// TurboJPEG handles are costly to create and not shareable between threads: each thread that
// compresses or decompresses keeps one of each for its lifetime.
#pragma once

#include <string>

#include <turbojpeg.h>

namespace media {

tjhandle ThreadCompressor();
tjhandle ThreadDecompressor();

// The library's message for the last failure on `handle`.
std::string TurboError(tjhandle handle);

}  // namespace media
