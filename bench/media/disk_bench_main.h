// The command line every benchmark that needs a disk takes (bench/run passes it): the folder to
// write in, on a disk, and --quick for fewer rounds. A folder in memory is refused: syncs cost
// nothing there, so the figures would mean nothing.
#pragma once

#include <linux/magic.h>
#include <sys/vfs.h>

#include <cstdio>
#include <string>

namespace media {

using DiskBenchmark = int (*)(const std::string& dir, bool quick);

inline int RunDiskBenchmark(int argc, char** argv, DiskBenchmark run) {
    std::string dir;
    bool quick = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--quick") {
            quick = true;
        } else if (arg == "--dir" && i + 1 < argc) {
            dir = argv[++i];
        } else {
            dir.clear();
            break;
        }
    }
    if (dir.empty()) {
        std::fprintf(stderr, "usage: %s --dir FOLDER_ON_DISK [--quick]\n", argv[0]);
        return 2;
    }
    struct statfs fs {};
    if (statfs(dir.c_str(), &fs) != 0) {
        std::fprintf(stderr, "cannot reach %s\n", dir.c_str());
        return 1;
    }
    if (fs.f_type == TMPFS_MAGIC || fs.f_type == RAMFS_MAGIC) {
        std::fprintf(stderr, "%s is in memory (tmpfs): syncs cost nothing there. Use a folder on a disk.\n",
                     dir.c_str());
        return 1;
    }
    return run(dir, quick);
}

}  // namespace media
