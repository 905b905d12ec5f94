// Recordings under faults that come from outside the writer: a new take that never gets its
// first frame, names that must survive a power cut, a fault that clears again, a file
// deleted, moved or replaced while it is being recorded, and edits that fail.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <utility>

#include <gtest/gtest.h>

#include "media/avi/avi_writer.h"
#include "media/avi/take_editor.h"
#include "media_test_support.h"

namespace media {
namespace {

namespace fs = std::filesystem;
using testing::Append;
using testing::ExpectFrames;
using testing::ExpectStamps;
using testing::Scene;
using testing::ScratchDir;
using testing::SetImmutable;

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string FolderOf(const std::string& path) { return fs::path(path).parent_path().string(); }

// How a take can end without a frame, and whether it can where the old video is rewritten in
// place (a folder that takes no new names) or only where the take is written beside it.
enum class Where { Anywhere, BesideOnly, InPlaceOnly };
struct NoFrameTake {
    const char* name;
    Where where;
    std::function<void(AviWriter&, TestSceneSource&)> take;
};

TEST(AviFaultTest, TheOldVideoStaysWholeUntilTheNewTakeHoldsAFrame) {
    ScratchDir dir;
    auto failEvery = [](FileOperation op, int err) {
        return [op, err](const FileChange& change) { return change.op == op ? err : 0; };
    };
    const NoFrameTake takes[] = {
        {"stopped with no frame", Where::Anywhere, [](AviWriter&, TestSceneSource&) {}},
        {"the first frame is damaged", Where::Anywhere,
         [](AviWriter& writer, TestSceneSource& scene) {
             Frame frame;
             ASSERT_FALSE(scene.readFrame(frame));
             frame.data.resize(frame.data.size() / 2);
             EXPECT_EQ(writer.appendFrame(frame, testing::kInterval).kind, ErrorKind::BadFrame);
         }},
        {"the disk is full", Where::Anywhere,
         [&](AviWriter& writer, TestSceneSource& scene) {
             writer.setFileHook(failEvery(FileOperation::Write, ENOSPC));
             EXPECT_EQ(Append(writer, scene, 1).kind, ErrorKind::DiskFull);
         }},
        {"the new name cannot be given", Where::BesideOnly,
         [&](AviWriter& writer, TestSceneSource& scene) {
             writer.setFileHook(failEvery(FileOperation::Rename, EIO));
             EXPECT_EQ(Append(writer, scene, 1).kind, ErrorKind::Io);
         }},
        {"no room for the first frame", Where::InPlaceOnly,
         [&](AviWriter& writer, TestSceneSource& scene) {
             writer.setFileHook(failEvery(FileOperation::Reserve, ENOSPC));
             EXPECT_EQ(Append(writer, scene, 1).kind, ErrorKind::DiskFull);
         }},
    };
    for (const bool namesLocked : {false, true}) {
        const std::string folder = dir.path(namesLocked ? "takes-no-names" : "videos");
        fs::create_directory(folder);
        const std::string path = folder + "/take.avi";
        const std::string unfinished = OutputFile::unfinishedPath(path);
        std::ofstream(path) << "the old video";
        if (namesLocked && !SetImmutable(folder, true)) {
            ADD_FAILURE() << "no immutable flag on this file system: the in-place cases did not run";
            break;
        }
        EXPECT_EQ(OutputFile::replacementFor(path), namesLocked ? Replacement::InPlace : Replacement::AfterFrame);
        for (const NoFrameTake& t : takes) {
            if (t.where == (namesLocked ? Where::BesideOnly : Where::InPlaceOnly)) continue;
            SCOPED_TRACE(std::string(t.name) + (namesLocked ? ", in place" : ""));
            std::ofstream(path) << "the old video";
            // What a take killed before its first frame leaves behind; the next open clears it.
            if (!namesLocked) std::ofstream(unfinished) << "killed take";
            TestSceneSource scene = Scene(PixelFormat::Mjpeg);
            ASSERT_FALSE(scene.start());
            AviWriter writer;
            ASSERT_FALSE(writer.open(path));
            t.take(writer, scene);
            EXPECT_EQ(Contents(path), "the old video");
            EXPECT_FALSE(writer.close());
            EXPECT_EQ(Contents(path), "the old video");
            EXPECT_FALSE(fs::exists(unfinished));
        }
        if (namesLocked) SetImmutable(folder, false);
    }
}

TEST(AviFaultTest, TheFirstFrameReplacesTheFileALinkNamesKeepingItsPermissions) {
    ScratchDir dir;
    const std::string real = dir.path("real.avi");
    const std::string link = dir.path("link.avi");
    std::ofstream(real) << "the old video";
    ASSERT_EQ(chmod(real.c_str(), 0640), 0);
    ASSERT_EQ(symlink("real.avi", link.c_str()), 0);
    TestSceneSource scene = Scene(PixelFormat::Mjpeg);
    ASSERT_FALSE(scene.start());
    AviWriter writer;
    ASSERT_FALSE(writer.open(link));
    ASSERT_FALSE(Append(writer, scene, 2));
    ASSERT_FALSE(writer.close());

    EXPECT_TRUE(fs::is_symlink(link));
    ExpectFrames(real, 2, 320, 240);
    struct stat st {};
    ASSERT_EQ(stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_FALSE(fs::exists(OutputFile::unfinishedPath(real)));
}

// A power cut must not lose a name whose file's data is on disk: every folder made and the
// file's own name are synced in their parent folders, the file's before its first frame is
// confirmed.
TEST(AviFaultTest, NewNamesAreDurableBeforeTheFirstFrameIsConfirmed) {
    ScratchDir dir;
    const std::string path = dir.path("new/folder/take.avi");
    std::vector<std::pair<FileOperation, std::string>> changes;
    TestSceneSource scene = Scene(PixelFormat::Mjpeg);
    ASSERT_FALSE(scene.start());
    AviWriter writer;
    writer.setFileHook([&](const FileChange& change) {
        if (change.op == FileOperation::Rename || change.op == FileOperation::SyncFolder) {
            changes.emplace_back(change.op, std::string(change.path));
        }
        return 0;
    });
    ASSERT_FALSE(writer.open(path));
    using Change = std::pair<FileOperation, std::string>;
    const std::vector<Change> folders = {{FileOperation::SyncFolder, FolderOf(dir.path("new"))},
                                         {FileOperation::SyncFolder, dir.path("new")}};
    EXPECT_EQ(changes, folders);

    ASSERT_FALSE(Append(writer, scene, 2));
    std::vector<Change> named = folders;
    named.emplace_back(FileOperation::Rename, path);
    named.emplace_back(FileOperation::SyncFolder, dir.path("new/folder"));
    EXPECT_EQ(changes, named);
    ASSERT_FALSE(writer.close());
}

// Once the take has its name it keeps its frames, even when its folder cannot be synced: the
// sync is tried again with the next frame and at the close, and told of meanwhile.
TEST(AviFaultTest, AFolderThatCannotBeSyncedAfterTheRenameCostsNoFrame) {
    ScratchDir dir;
    const std::string path = dir.path("take.avi");
    std::ofstream(path) << "the old video";
    TestSceneSource scene = Scene(PixelFormat::Mjpeg);
    ASSERT_FALSE(scene.start());
    AviWriter writer;
    bool failing = true;
    writer.setFileHook(
        [&](const FileChange& change) { return failing && change.op == FileOperation::SyncFolder ? EIO : 0; });
    ASSERT_FALSE(writer.open(path));
    ASSERT_FALSE(Append(writer, scene, 2));
    EXPECT_NE(writer.notice().find("power cut"), std::string::npos) << writer.notice();
    ExpectFrames(path, 2, 320, 240);
    failing = false;
    ASSERT_FALSE(Append(writer, scene, 1));
    EXPECT_EQ(writer.notice(), "");
    ASSERT_FALSE(writer.close());
    ExpectFrames(path, 3, 320, 240);
}

struct ClearingFault {
    const char* name;
    bool immutable;  // else the disk is full for every write until space is freed
};

void PrintTo(const ClearingFault& f, std::ostream* os) { *os << f.name; }

class ClearedFaultTest : public ::testing::TestWithParam<ClearingFault> {};

// The write after a frame's data fails, and so does undoing it; while the fault lasts frames
// are refused with its reason, and once it clears the recording goes on.
TEST_P(ClearedFaultTest, TheRecordingGoesOnOnceTheFileTakesWritesAgain) {
    const ClearingFault fault = GetParam();
    ScratchDir dir;
    const std::string path = dir.path("fault.avi");
    if (fault.immutable) {
        const std::string probe = dir.path("probe");
        std::ofstream(probe) << "x";
        if (!SetImmutable(probe, true)) GTEST_SKIP() << "no immutable flag on this file system";
        SetImmutable(probe, false);
    }
    TestSceneSource scene = Scene(PixelFormat::Mjpeg);
    ASSERT_FALSE(scene.start());
    AviWriter writer;
    ASSERT_FALSE(writer.open(path));
    ASSERT_FALSE(Append(writer, scene, 2));

    bool cleared = false;
    int writes = 0;
    writer.setFileHook([&](const FileChange& change) {
        if (cleared || change.op != FileOperation::Write || ++writes < 2) return 0;
        if (!fault.immutable) return ENOSPC;
        if (writes == 2) SetImmutable(path, true);
        return 0;
    });
    const ErrorKind kind = fault.immutable ? ErrorKind::Io : ErrorKind::DiskFull;
    EXPECT_EQ(Append(writer, scene, 1).kind, kind);
    Error e = Append(writer, scene, 1);
    EXPECT_EQ(e.kind, kind) << e.message;
    // Meanwhile the confirmed frames stay readable; at most the frame cut short follows them, as
    // after a crash at that moment.
    const testing::FfmpegDecode meanwhile = testing::DecodeWithFfmpeg(path, 320, 240);
    EXPECT_TRUE(meanwhile.ok) << meanwhile.errors;
    const std::vector<int64_t> seen = testing::StampsOf(meanwhile.frames);
    ASSERT_GE(seen.size(), 2u);
    ASSERT_LE(seen.size(), 3u);
    EXPECT_EQ(seen[0], 0);
    EXPECT_EQ(seen[1], 1);

    cleared = true;
    if (fault.immutable) {
        ASSERT_TRUE(SetImmutable(path, false));
    }
    e = Append(writer, scene, 1);
    ASSERT_FALSE(e) << e.message;
    ASSERT_FALSE(writer.close());
    ExpectStamps(path, {0, 1, 4}, 320, 240);
}

INSTANTIATE_TEST_SUITE_P(Faults, ClearedFaultTest,
                         ::testing::Values(ClearingFault{"ImmutableFile", true}, ClearingFault{"DiskFull", false}),
                         [](const auto& info) { return std::string(info.param.name); });

// What can become of a file while it is recorded; `folder` holds it.
struct PathLoss {
    const char* name;
    std::function<void(const std::string& path, const std::string& folder)> lose;
};

TEST(AviFaultTest, AFileDeletedMovedOrReplacedIsWrittenBackToItsPath) {
    ScratchDir dir;
    const std::string folder = dir.path("videos");
    const std::string path = folder + "/take.avi";
    const PathLoss losses[] = {
        {"deleted", [](const std::string& p, const std::string&) { fs::remove(p); }},
        {"moved to the trash",
         [&](const std::string& p, const std::string&) { fs::rename(p, dir.path("trashed.avi")); }},
        {"replaced",
         [&](const std::string& p, const std::string&) {
             std::ofstream(dir.path("other.avi")) << "another file";
             fs::rename(dir.path("other.avi"), p);
         }},
        {"its folder deleted", [](const std::string&, const std::string& f) { fs::remove_all(f); }},
    };
    for (const PathLoss& loss : losses) {
        SCOPED_TRACE(loss.name);
        TestSceneSource scene = Scene(PixelFormat::Mjpeg);
        ASSERT_FALSE(scene.start());
        AviWriter writer;
        uint64_t copied = 0;
        uint64_t total = 1;
        writer.setCopyProgress([&](uint64_t done, uint64_t all) {
            copied = done;
            total = all;
        });
        ASSERT_FALSE(writer.open(path));
        ASSERT_FALSE(Append(writer, scene, 2));
        loss.lose(path, folder);
        ASSERT_FALSE(Append(writer, scene, 1));
        EXPECT_EQ(copied, total);
        EXPECT_GT(total, 1u);
        // After the last frame too: the close saves it at its path.
        loss.lose(path, folder);
        ASSERT_FALSE(writer.close());
        ExpectFrames(path, 3, 320, 240);
        fs::remove_all(folder);
    }
}

TEST(AviFaultTest, AFileThatCannotBeWrittenBackFailsTheFrameWithTheReason) {
    ScratchDir dir;
    const std::string folder = dir.path("videos");
    const std::string path = folder + "/take.avi";
    TestSceneSource scene = Scene(PixelFormat::Mjpeg);
    ASSERT_FALSE(scene.start());
    AviWriter writer;
    ASSERT_FALSE(writer.open(path));
    ASSERT_FALSE(Append(writer, scene, 2));
    fs::remove_all(folder);
    std::ofstream(folder) << "in the way";

    const Error e = Append(writer, scene, 1);
    EXPECT_EQ(e.kind, ErrorKind::CannotCreate);
    EXPECT_NE(e.message.find(path + " was deleted, moved or replaced"), std::string::npos) << e.message;
    EXPECT_NE(e.message.find("in the way"), std::string::npos) << e.message;
    // Nor does a close drop the frames: the recording stays open with them.
    EXPECT_TRUE(writer.close());
    EXPECT_TRUE(writer.isOpen());

    fs::remove(folder);
    ASSERT_FALSE(Append(writer, scene, 1));
    ASSERT_FALSE(writer.close());
    ExpectStamps(path, {0, 1, 3}, 320, 240);
}

// Any file operation of an edit refused: the edit fails with the reason and the take is as it
// was, with no copy left beside it; refused where it no longer matters, the edit is done. Either
// way the recording goes on.
TEST(AviFaultTest, AnEditThatFailsAtAnyFileOperationLeavesTheTakeAsItWas) {
    ScratchDir dir;
    const std::string path = dir.path("edit.avi");
    for (const testing::TakeEdit& edit : testing::TakeEdits()) {
        for (int failAt = 0;; ++failAt) {
            SCOPED_TRACE(std::string(edit.name) + ", failing operation " + std::to_string(failAt));
            TakeEditor editor(testing::SmallPartsOptions(AviVideoCodec::Mjpeg));
            std::vector<Frame> shots;
            ASSERT_FALSE(testing::ShootTake(editor, path, 160, 120, shots));
            ASSERT_FALSE(edit.prepare(editor));
            int seen = 0;
            editor.setFileHook([&](const FileChange&) { return seen++ == failAt ? ENOSPC : 0; });
            const Error e = edit.edit(editor, shots[0]);
            std::vector<int64_t> expected = e ? edit.before : edit.after;
            if (e) {
                EXPECT_EQ(e.kind, ErrorKind::DiskFull) << e.message;
            }
            EXPECT_EQ(editor.frameCount(), expected.size());
            EXPECT_FALSE(fs::exists(OutputFile::unfinishedPath(path)));
            ExpectStamps(path, expected, 160, 120);

            editor.setFileHook(nullptr);
            ASSERT_FALSE(editor.appendFrame(shots[1], testing::kInterval));
            ASSERT_FALSE(editor.close());
            expected.push_back(7);
            ExpectStamps(path, expected, 160, 120);
            if (HasFailure() || seen <= failAt) break;
        }
    }
}

// Two recordings on one path: the second may not replace the first one's take, and once the
// first one's file is deleted and the second takes the path, the first may not write its frames
// back over the second's. It keeps them, and saves them under another name.
TEST(AviFaultTest, AFileAnotherRecordingHoldsIsNeverReplaced) {
    ScratchDir dir;
    const std::string path = dir.path("take.avi");
    TestSceneSource scene = Scene(PixelFormat::Mjpeg);
    ASSERT_FALSE(scene.start());
    AviWriter first;
    ASSERT_FALSE(first.open(path));
    ASSERT_FALSE(Append(first, scene, 2));
    EXPECT_EQ(OutputFile::replacementFor(path), Replacement::InUse);
    AviWriter second;
    Error e = second.open(path);
    EXPECT_NE(e.message.find("is being recorded by another window"), std::string::npos) << e.message;

    fs::remove(path);
    EXPECT_EQ(OutputFile::replacementFor(path), Replacement::Nothing);
    ASSERT_FALSE(second.open(path));
    ASSERT_FALSE(Append(second, scene, 1));
    e = Append(first, scene, 1);
    EXPECT_NE(e.message.find("is being recorded by another window"), std::string::npos) << e.message;
    EXPECT_TRUE(first.close());
    const std::string recovered = dir.path("take (recovered 1).avi");
    ASSERT_FALSE(first.saveAs(recovered));
    EXPECT_FALSE(first.isOpen());
    ExpectStamps(recovered, {0, 1}, 320, 240);

    ASSERT_FALSE(Append(second, scene, 1));
    ASSERT_FALSE(second.close());
    ExpectStamps(path, {2, 4}, 320, 240);
}

}  // namespace
}  // namespace media
