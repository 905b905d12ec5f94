// The file a recording goes to: positioned writes, truncation and syncing, with failures turned
// into Errors a user can act on.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "media/common/frame.h"

namespace media {

enum class FileOperation { Write, Truncate, Sync };

// Called before each change to the file, with the data about to be written (empty for truncate
// and sync; `offset` is the new size for truncate). Tests stop the process from it to check
// that every intermediate state of the file is readable.
using FileOperationHook =
    std::function<void(FileOperation op, uint64_t offset, std::span<const uint8_t> data)>;

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the file empty (an old one is truncated), creating missing parent folders.
    Error create(const std::string& path);
    Error writeAt(uint64_t offset, std::span<const uint8_t> data);
    Error truncate(uint64_t size);
    // Makes what was written durable; skipped when syncing is turned off.
    Error sync();
    Error close();

    bool isOpen() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }
    void setSyncEnabled(bool enabled) { syncEnabled_ = enabled; }
    void setHook(FileOperationHook hook) { hook_ = std::move(hook); }

private:
    Error failure(int err, const char* action) const;

    int fd_ = -1;
    std::string path_;
    bool syncEnabled_ = true;
    FileOperationHook hook_;
};

}  // namespace media
