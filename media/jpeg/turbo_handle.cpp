#include "media/jpeg/turbo_handle.h"

#include <memory>

namespace media {
namespace {

struct HandleCloser {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

}  // namespace

tjhandle ThreadCompressor() {
    thread_local UniqueHandle handle(tjInitCompress());
    return handle.get();
}

tjhandle ThreadDecompressor() {
    thread_local UniqueHandle handle(tjInitDecompress());
    return handle.get();
}

std::string TurboError(tjhandle handle) { return tjGetErrorStr2(handle); }

}  // namespace media
