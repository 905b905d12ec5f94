// The stills folder must hold exactly the take's frames, in order, after every change and after a
// kill or a failure at any file operation of one; nothing the take or an older take held is lost.
// A small file at the capture path stands in for the AVI: the frames it lists, changed by an
// atomic rename as the recording's changes are.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "media/stills/stills_folder.h"
#include "media_test_support.h"

namespace media {
namespace {

namespace fs = std::filesystem;
using testing::ScratchDir;

TEST(StillsFolderPath, ReplacesOnlyTheLastExtensionOfTheName) {
    const std::pair<const char*, const char*> cases[] = {
        {"/v/Capture.avi", "/v/Capture.stills"},
        {"/v/take.one.avi", "/v/take.one.stills"},
        {"/v.d/take", "/v.d/take.stills"},
        {"/v/.hidden", "/v/.hidden.stills"},
    };
    for (auto [capture, stills] : cases) EXPECT_EQ(StillsFolderPath(capture), stills);
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteText(const std::string& path, const std::string& text) {
    const std::string temporary = path + ".tmp";
    std::ofstream(temporary) << text;
    fs::rename(temporary, path);
}

// The stand-in AVI's frames.
std::vector<std::string> AviFrames(const std::string& capture) {
    std::istringstream in(ReadText(capture));
    std::vector<std::string> ids;
    for (std::string id; in >> id;) ids.push_back(id);
    return ids;
}

void SetAviFrames(const std::string& path, const std::vector<std::string>& ids) {
    std::string text;
    for (const std::string& id : ids) text += id + " ";
    WriteText(path, text);
}

Still StillOf(const std::string& id, bool raw = false) {
    Still still;
    still.files.push_back({"IMG_" + id + ".JPG", std::vector<uint8_t>(id.begin(), id.end())});
    if (raw) {
        const std::string bytes = id + "-raw";
        still.files.push_back({"IMG_" + id + ".CR2", std::vector<uint8_t>(bytes.begin(), bytes.end())});
    }
    return still;
}

// An old take, then a new one: three shots, the middle deleted, one inserted after the first
// (with its RAW), the delete undone. Each change goes as the recording does it: stills first,
// then the AVI, then commit; a failed stills step is rolled back and the script ends. Returns
// whether it ran to the end.
bool ShootAndEdit(const std::string& capture, FileOperationHook hook) {
    StillsFolder stills(capture);
    stills.setHook(std::move(hook));
    if (stills.beginTake()) return false;
    std::vector<std::string> avi;
    auto change = [&](Error e, std::vector<std::string> next) {
        if (e) {
            (void)stills.rollback();
            return false;
        }
        SetAviFrames(capture, next);
        avi = next;
        return !stills.commit();
    };
    if (stills.append(StillOf("A"))) return false;
    SetAviFrames(OutputFile::unfinishedPath(capture), {"A"});
    if (Error e = stills.beginPublish()) return change(e, {});
    fs::rename(OutputFile::unfinishedPath(capture), capture);
    if (stills.commit()) return false;
    avi = {"A"};
    for (const char* id : {"B", "C"}) {
        if (stills.append(StillOf(id))) return false;
        avi.push_back(id);
        SetAviFrames(capture, avi);
    }
    return change(stills.beginDelete(2), {"A", "C"}) &&
           change(stills.beginInsert(1, StillOf("D", true)), {"A", "D", "C"}) &&
           change(stills.beginUndoDelete(), {"A", "B", "D", "C"});
}

// After recovery the stills folder holds the AVI's frames in order, each with its own bytes,
// and the older take's stills are where they belong.
void ExpectFollowsTheAvi(const std::string& capture, const std::string& context) {
    const std::vector<std::string> frames = AviFrames(capture);
    StillsFolder stills(capture);
    ASSERT_FALSE(stills.recover(frames.size())) << context;
    const std::string folder = StillsFolderPath(capture);
    const auto listed = ListStills(folder);
    ASSERT_EQ(listed.size(), frames.size()) << context;
    uint64_t number = 0;
    for (const auto& [n, names] : listed) {
        ASSERT_EQ(n, ++number) << context;
        const std::string& id = frames[n - 1];
        EXPECT_EQ(ReadText(folder + "/" + names.back()), id) << context << " still " << n;  // .jpg after .cr2
        EXPECT_EQ(names.size(), id == "D" ? 2u : 1u) << context << " still " << n;
    }
    EXPECT_FALSE(fs::exists(folder + ".unfinished")) << context;
    EXPECT_FALSE(fs::exists(folder + ".journal")) << context;
    const bool newTake = frames != std::vector<std::string>{"old"};
    EXPECT_EQ(ReadText((newTake ? folder + ".1" : folder) + "/000001.jpg"), "old") << context;
}

void MakeOldTake(const std::string& capture) {
    SetAviFrames(capture, {"old"});
    fs::create_directory(StillsFolderPath(capture));
    WriteText(StillsFolderPath(capture) + "/000001.jpg", "old");
}

TEST(StillsFolder, EditsLeaveTheTakesStillsInOrderAndSetNothingAside) {
    ScratchDir dir;
    const std::string capture = dir.path("Capture.avi");
    MakeOldTake(capture);
    ASSERT_TRUE(ShootAndEdit(capture, nullptr));
    ExpectFollowsTheAvi(capture, "uninterrupted");
    // The deleted still came back: deleted/ is empty again.
    EXPECT_TRUE(fs::is_empty(StillsFolderPath(capture) + "/deleted"));
}

TEST(StillsFolder, AFailureAtAnyFileOperationLeavesTheStillsFollowingTheAvi) {
    for (int failAt = 0;; ++failAt) {
        ScratchDir dir;
        const std::string capture = dir.path("Capture.avi");
        MakeOldTake(capture);
        int seen = 0;
        const bool finished = ShootAndEdit(capture, [&](const FileChange&) { return seen++ == failAt ? ENOSPC : 0; });
        ExpectFollowsTheAvi(capture, "failed at operation " + std::to_string(failAt));
        if (finished && seen <= failAt) break;
    }
}

TEST(StillsFolder, AKillAtAnyFileOperationIsFinishedOrUndoneAsTheAviSays) {
    for (int killAt = 0;; ++killAt) {
        ScratchDir dir;
        const std::string capture = dir.path("Capture.avi");
        MakeOldTake(capture);
        const pid_t pid = fork();
        if (pid == 0) {
            int seen = 0;
            ShootAndEdit(capture, [&](const FileChange&) {
                if (seen++ == killAt) raise(SIGKILL);
                return 0;
            });
            _exit(0);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        ExpectFollowsTheAvi(capture, "killed at operation " + std::to_string(killAt));
        if (!WIFSIGNALED(status)) break;
    }
}

}  // namespace
}  // namespace media
