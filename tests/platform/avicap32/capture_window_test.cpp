// The capture window with the built-in test scene and a scripted stills camera: what each request
// answers, and single-frame recordings read back frame by frame, including when things go wrong.
#include "avicap32_private.h"
#include "capture_window.h"
#include "drivers.h"
#include "fake_gphoto_io.h"
#include "live_dialog.h"
#include "scripted_modals.h"
#include "program_registration.h"
#include "media/avi/avi_reader.h"
#include "media/jpeg/jpeg_decoder.h"
#include "media/stills/stills_camera.h"
#include "media/stills/stills_folder.h"
#include "media/testscene/frame_stamp.h"
#include "media/testscene/test_scene_source.h"

#include "test_resources.h"
#include "vfw.h"
#include "wait_until.h"

#include <QComboBox>
#include <QDialog>
#include <QString>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct ErrorReport {
    int id;
    std::wstring text;
};
std::vector<ErrorReport> g_errors;

LRESULT CALLBACK RecordError(HWND, int id, LPCWSTR text) {
    g_errors.push_back({id, text ? text : L""});
    return TRUE;
}

std::vector<ErrorReport> g_statuses;

LRESULT CALLBACK RecordStatus(HWND, int id, LPCWSTR text) {
    g_statuses.push_back({id, text ? text : L""});
    return TRUE;
}

// The capture window's notifications to its parent, by code; a stills camera's frame confirmed
// after its press among them.
std::vector<UINT> g_notices;
int g_framesChanged = 0;

INT_PTR CALLBACK NoProc(HWND, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND && LOWORD(wParam) == 0) g_notices.push_back(HIWORD(wParam));
    if (message == WM_COMMAND && HIWORD(wParam) == CAPN_FRAMES_CHANGED) ++g_framesChanged;
    return message == WM_INITDIALOG;
}

using testing_support::WaitUntil;

// Frame numbers of a recording, read from the pictures themselves.
std::vector<uint64_t> Stamps(const std::string& path) {
    media::AviReader reader;
    if (reader.open(path)) return {};
    std::vector<uint64_t> stamps;
    for (size_t i = 0; i < reader.frames().size(); ++i) {
        media::Frame rgb;
        if (reader.decodeFrame(i, rgb)) return {};
        stamps.push_back(media::ReadFrameStamp(rgb).value_or(~0ull));
    }
    return stamps;
}

bool FfmpegDecodesCleanly(const std::string& path) {
    std::string command = "ffmpeg -nostdin -v error -xerror -i '" + path + "' -f null - 2>&1";
    return std::system(command.c_str()) == 0;
}

class CaptureWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        avicap32::SetCaptureDeviceVariable("PLATFORM_TEST_CAPTURE_DEVICE");
        setenv("PLATFORM_TEST_CAPTURE_DEVICE", "test:320x240", 1);
        g_errors.clear();
        g_statuses.clear();
        g_notices.clear();
        g_framesChanged = 0;
        m_folder = fs::temp_directory_path() / ("kinoree-capture-" + std::to_string(::getpid()));
        fs::remove_all(m_folder);
        fs::create_directories(m_folder);
        m_parent = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_TWO_DEFAULTS), nullptr, &NoProc, 0);
        ASSERT_NE(m_parent, nullptr);
        m_window = capCreateCaptureWindowW(L"Video Window", WS_CHILD | WS_VISIBLE, 25, 25, 270, 220, m_parent, 0);
        ASSERT_TRUE(IsWindow(m_window));
        SendMessageW(m_window, WM_CAP_SET_CALLBACK_ERRORW, 0, reinterpret_cast<LPARAM>(&RecordError));
        SendMessageW(m_window, WM_CAP_SET_CALLBACK_STATUSW, 0, reinterpret_cast<LPARAM>(&RecordStatus));
    }

    void TearDown() override {
        if (IsWindow(m_parent)) DestroyWindow(m_parent);
        fs::remove_all(m_folder);
    }

    LRESULT send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendMessageW(m_window, message, wParam, lParam);
    }
    BOOL setFile(const fs::path& path) {
        std::wstring wide = path.wstring();
        return static_cast<BOOL>(send(WM_CAP_FILE_SET_CAPTURE_FILEW, 0, reinterpret_cast<LPARAM>(wide.c_str())));
    }
    void setInterval(DWORD microseconds) {
        CAPTUREPARMS parms{};
        send(WM_CAP_GET_SEQUENCE_SETUP, sizeof parms, reinterpret_cast<LPARAM>(&parms));
        parms.dwRequestMicroSecPerFrame = microseconds;
        send(WM_CAP_SET_SEQUENCE_SETUP, sizeof parms, reinterpret_cast<LPARAM>(&parms));
    }
    avicap32::CaptureWindow* window() { return static_cast<avicap32::CaptureWindow*>(user32::FromHandle(m_window)); }
    uint64_t newestSequence() {
        auto newest = window()->device().live().newest();
        return newest ? newest->sequence + 1 : 0;
    }
    // Frames go on arriving while the test does nothing, as while the animator poses the scene.
    bool waitForFrames(uint64_t count) {
        const uint64_t start = newestSequence();
        return WaitUntil([&] { return newestSequence() >= start + count; });
    }

    fs::path m_folder;
    HWND m_parent = nullptr;
    HWND m_window = nullptr;
};

TEST_F(CaptureWindowTest, AnswersAsThePlatformDoesBeforeAndAfterConnecting) {
    CAPDRIVERCAPS caps;
    std::memset(&caps, 0xAB, sizeof caps);
    CAPDRIVERCAPS untouched = caps;
    EXPECT_FALSE(send(WM_CAP_DRIVER_GET_CAPS, sizeof caps, reinterpret_cast<LPARAM>(&caps)));
    EXPECT_EQ(std::memcmp(&caps, &untouched, sizeof caps), 0);
    EXPECT_FALSE(send(WM_CAP_DRIVER_DISCONNECT));
    EXPECT_FALSE(send(WM_CAP_SET_PREVIEWRATE, 100));

    CAPTUREPARMS parms{};
    ASSERT_TRUE(send(WM_CAP_GET_SEQUENCE_SETUP, sizeof parms, reinterpret_cast<LPARAM>(&parms)));
    EXPECT_EQ(parms.dwRequestMicroSecPerFrame, 66667u);
    EXPECT_EQ(parms.wPercentDropForError, 10u);
    EXPECT_EQ(parms.wStepCaptureAverageFrames, 5u);
    EXPECT_EQ(parms.vKeyAbort, 0x1Bu);

    EXPECT_FALSE(send(WM_CAP_DRIVER_CONNECT, 7));
    ASSERT_FALSE(g_errors.empty());
    EXPECT_EQ(g_errors.back().id, IDS_CAP_DRIVER_ERROR);

    ASSERT_TRUE(send(WM_CAP_DRIVER_CONNECT, 0));
    ASSERT_TRUE(send(WM_CAP_DRIVER_GET_CAPS, sizeof caps, reinterpret_cast<LPARAM>(&caps)));
    EXPECT_EQ(caps.wDeviceIndex, 0u);
    EXPECT_TRUE(caps.fCaptureInitialized);
    EXPECT_TRUE(send(WM_CAP_SET_PREVIEWRATE, 100));
    WCHAR name[64] = {}, version[64] = {};
    EXPECT_TRUE(capGetDriverDescriptionW(0, name, 64, version, 64));
    EXPECT_NE(name[0], L'\0');
    EXPECT_TRUE(send(WM_CAP_DRIVER_DISCONNECT));
}

TEST_F(CaptureWindowTest, EachFrameIsTakenAfterItsRequestAndTheNewestIntervalIsInTheFile) {
    fs::path file = m_folder / "nested" / "folder" / "take.avi";  // missing folders are made
    ASSERT_TRUE(setFile(file));
    ASSERT_TRUE(send(WM_CAP_DRIVER_CONNECT, 0));
    ASSERT_TRUE(send(WM_CAP_SINGLE_FRAME_OPEN));
    std::vector<uint64_t> newestBefore;
    for (DWORD interval : {1000000u, 142857u, 66666u, 16666u, 100000u}) {
        setInterval(interval);
        ASSERT_TRUE(waitForFrames(1));
        auto newest = window()->device().live().newest();
        newestBefore.push_back(newest ? newest->sequence : 0);
        ASSERT_TRUE(send(WM_CAP_SINGLE_FRAME_OPEN));  // sent before every frame: no effect
        ASSERT_TRUE(send(WM_CAP_SINGLE_FRAME));
    }
    ASSERT_TRUE(send(WM_CAP_STOP));
    ASSERT_TRUE(send(WM_CAP_SINGLE_FRAME_CLOSE));
    EXPECT_FALSE(send(WM_CAP_SINGLE_FRAME_CLOSE));

    std::vector<uint64_t> stamps = Stamps(file.string());
    ASSERT_EQ(stamps.size(), 5u);
    for (size_t i = 0; i < stamps.size(); ++i) EXPECT_GT(stamps[i], newestBefore[i]) << i;
    media::AviReader reader;
    ASSERT_FALSE(reader.open(file.string()));
    EXPECT_EQ(reader.headers().microSecPerFrame, 100000u);
    EXPECT_EQ(reader.headers().width, 320u);
    EXPECT_TRUE(FfmpegDecodesCleanly(file.string()));
    WCHAR path[1024] = {};
    ASSERT_TRUE(send(WM_CAP_FILE_GET_CAPTURE_FILEW, 1024, reinterpret_cast<LPARAM>(path)));
    EXPECT_EQ(std::wstring(path), file.wstring());
    EXPECT_TRUE(g_errors.empty());
}

TEST_F(CaptureWindowTest, ANewFileNameAppliesFromTheNextOpen) {
    fs::path first = m_folder / "first.avi", second = m_folder / "second.avi";
    setFile(first);
    send(WM_CAP_DRIVER_CONNECT, 0);
    send(WM_CAP_SINGLE_FRAME_OPEN);
    send(WM_CAP_SINGLE_FRAME);
    ASSERT_TRUE(setFile(second));
    send(WM_CAP_SINGLE_FRAME);
    send(WM_CAP_SINGLE_FRAME_CLOSE);
    EXPECT_EQ(Stamps(first.string()).size(), 2u);
    EXPECT_FALSE(fs::exists(second));

    send(WM_CAP_SINGLE_FRAME_OPEN);
    send(WM_CAP_SINGLE_FRAME);
    send(WM_CAP_SINGLE_FRAME_CLOSE);
    EXPECT_EQ(Stamps(second.string()).size(), 1u);
}

TEST_F(CaptureWindowTest, ReopeningStartsTheFileAfreshAndDestroyingTheWindowFinishesIt) {
    fs::path file = m_folder / "take.avi";
    setFile(file);
    send(WM_CAP_DRIVER_CONNECT, 0);
    send(WM_CAP_SINGLE_FRAME_OPEN);
    for (int i = 0; i < 4; ++i) send(WM_CAP_SINGLE_FRAME);
    send(WM_CAP_SINGLE_FRAME_CLOSE);
    ASSERT_EQ(Stamps(file.string()).size(), 4u);
    // Stopped before its first frame, a take replaces nothing.
    send(WM_CAP_SINGLE_FRAME_OPEN);
    send(WM_CAP_SINGLE_FRAME_CLOSE);
    ASSERT_EQ(Stamps(file.string()).size(), 4u);

    send(WM_CAP_SINGLE_FRAME_OPEN);
    send(WM_CAP_SINGLE_FRAME);
    send(WM_CAP_SINGLE_FRAME);
    // The dialog goes (Escape) with the recording open: the file keeps its two frames and
    // nothing of the older recording.
    DestroyWindow(m_parent);
    EXPECT_FALSE(IsWindow(m_window));
    EXPECT_EQ(Stamps(file.string()).size(), 2u);
    EXPECT_TRUE(FfmpegDecodesCleanly(file.string()));
}

TEST_F(CaptureWindowTest, AFileDeletedDuringTheRecordingIsWrittenBackAndTheProgramIsTold) {
    fs::path file = m_folder / "videos" / "take.avi";
    setFile(file);
    send(WM_CAP_DRIVER_CONNECT, 0);
    send(WM_CAP_SINGLE_FRAME_OPEN);
    send(WM_CAP_SINGLE_FRAME);
    send(WM_CAP_SINGLE_FRAME);
    fs::remove_all(m_folder / "videos");
    ASSERT_TRUE(send(WM_CAP_SINGLE_FRAME));
    ASSERT_GE(g_statuses.size(), 2u);
    EXPECT_EQ(g_statuses.front().id, IDS_CAP_STAT_FILE_RESTORE);
    EXPECT_EQ(g_statuses.front().text, L"Writing back the capture file, 0%: it was deleted, moved or replaced.");
    EXPECT_EQ(g_statuses.back().text,
              L"Capture file written back with its 2 frames: it was deleted, moved or replaced.");
    ASSERT_TRUE(send(WM_CAP_SINGLE_FRAME_CLOSE));
    EXPECT_EQ(Stamps(file.string()).size(), 3u);
    EXPECT_TRUE(g_errors.empty());
}

// A take killed before its first frame leaves an unfinished file beside the capture file; the
// next start clears it away.
TEST(CaptureWindowStartTest, RemovesAnUnfinishedTakeLeftBesideTheDefaultFile) {
    const fs::path home = fs::temp_directory_path() / ("kinoree-home-" + std::to_string(::getpid()));
    fs::create_directories(home / "Videos");
    const std::string savedHome = getenv("HOME") ? getenv("HOME") : "";
    const char* configHome = getenv("XDG_CONFIG_HOME");
    const std::string savedConfigHome = configHome ? configHome : "";
    setenv("HOME", home.c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    const std::string file = QString::fromStdWString(avicap32::CaptureWindow::defaultCaptureFile()).toStdString();
    const std::string leftover = media::OutputFile::unfinishedPath(file);
    std::ofstream(leftover) << "killed take";

    HWND window = capCreateCaptureWindowW(L"Video Window", WS_CHILD, 0, 0, 10, 10, nullptr, 0);
    const bool removed = !fs::exists(leftover);
    DestroyWindow(window);
    setenv("HOME", savedHome.c_str(), 1);
    if (configHome) setenv("XDG_CONFIG_HOME", savedConfigHome.c_str(), 1);
    fs::remove_all(home);
    EXPECT_EQ(file, (home / "Videos" / "Capture.avi").string());
    EXPECT_TRUE(removed);
}

TEST_F(CaptureWindowTest, UncompressedRecordingsHoldTheSameFrames) {
    fs::path file = m_folder / "full.avi";
    setFile(file);
    send(WM_CAP_DRIVER_CONNECT, 0);
    window()->device().setCompression(media::AviVideoCodec::Dib, media::kDefaultJpegQuality);
    send(WM_CAP_SINGLE_FRAME_OPEN);
    for (int i = 0; i < 3; ++i) send(WM_CAP_SINGLE_FRAME);
    send(WM_CAP_SINGLE_FRAME_CLOSE);
    media::AviReader reader;
    ASSERT_FALSE(reader.open(file.string()));
    EXPECT_EQ(reader.headers().compression, 0u);
    EXPECT_EQ(reader.headers().bitCount, 24);
    std::vector<uint64_t> stamps = Stamps(file.string());
    ASSERT_EQ(stamps.size(), 3u);
    EXPECT_LT(stamps[0], stamps[1]);
    EXPECT_LT(stamps[1], stamps[2]);
}

// Frames the window encodes itself (the test scene paints RGB) take the quality chosen.
TEST_F(CaptureWindowTest, TheChosenJpegQualityIsTheOneEncoded) {
    send(WM_CAP_DRIVER_CONNECT, 0);
    std::vector<uint32_t> bytes;
    for (int quality : {50, 100}) {
        const fs::path file = m_folder / ("q" + std::to_string(quality) + ".avi");
        setFile(file);
        window()->device().setCompression(media::AviVideoCodec::Mjpeg, quality);
        send(WM_CAP_SINGLE_FRAME_OPEN);
        send(WM_CAP_SINGLE_FRAME);
        send(WM_CAP_SINGLE_FRAME_CLOSE);
        media::AviReader reader;
        ASSERT_FALSE(reader.open(file.string()));
        ASSERT_EQ(reader.frames().size(), 1u);
        bytes.push_back(reader.frames()[0].size);
    }
    EXPECT_LT(bytes[0] * 2, bytes[1]) << "quality 50 against 100";
}

TEST_F(CaptureWindowTest, FailuresReturnFalseTellTheReasonAndKeepTheFramesBefore) {
    // A folder that cannot exist: its parent is a file.
    fs::path blocker = m_folder / "not-a-folder";
    std::ofstream(blocker) << "x";
    setFile(blocker / "take.avi");
    send(WM_CAP_DRIVER_CONNECT, 0);
    EXPECT_FALSE(send(WM_CAP_SINGLE_FRAME_OPEN));
    ASSERT_EQ(g_errors.size(), 1u);
    EXPECT_EQ(g_errors[0].id, IDS_CAP_CANTOPEN);
    EXPECT_FALSE(g_errors[0].text.empty());
    EXPECT_FALSE(send(WM_CAP_SINGLE_FRAME));  // nothing open

    // A file-size limit just above two frames' worth.
    fs::path file = m_folder / "limited.avi";
    setFile(file);
    ASSERT_TRUE(send(WM_CAP_SINGLE_FRAME_OPEN));
    ASSERT_TRUE(send(WM_CAP_SINGLE_FRAME));
    ASSERT_TRUE(send(WM_CAP_SINGLE_FRAME));
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit limited = old;
    limited.rlim_cur = fs::file_size(file) + 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    g_errors.clear();
    BOOL third = static_cast<BOOL>(send(WM_CAP_SINGLE_FRAME));
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_FALSE(third);
    ASSERT_EQ(g_errors.size(), 1u);
    EXPECT_EQ(g_errors[0].id, IDS_CAP_SETFILESIZE);
    EXPECT_EQ(Stamps(file.string()).size(), 2u);
    EXPECT_TRUE(FfmpegDecodesCleanly(file.string()));

    // The camera goes away in the middle of the recording.
    media::TestSceneOptions options;
    options.width = 320;
    options.height = 240;
    auto vanishing = std::make_unique<media::TestSceneSource>(options);
    vanishing->setVanishAfter(0);
    window()->device().live().start(std::move(vanishing));
    g_errors.clear();
    EXPECT_FALSE(send(WM_CAP_SINGLE_FRAME));
    ASSERT_EQ(g_errors.size(), 1u);
    EXPECT_EQ(g_errors[0].id, IDS_CAP_DRIVER_ERROR);
    send(WM_CAP_SINGLE_FRAME_CLOSE);
    EXPECT_EQ(Stamps(file.string()).size(), 2u);

    // Still connected but with no pictures coming, the window offers no new recording.
    CAPDRIVERCAPS caps{};
    ASSERT_TRUE(send(WM_CAP_DRIVER_GET_CAPS, sizeof caps, reinterpret_cast<LPARAM>(&caps)));
    EXPECT_FALSE(caps.fCaptureInitialized);
    g_errors.clear();
    EXPECT_FALSE(send(WM_CAP_SINGLE_FRAME_OPEN));
    ASSERT_EQ(g_errors.size(), 1u);
    EXPECT_EQ(g_errors[0].id, IDS_CAP_DRIVER_ERROR);
    EXPECT_EQ(Stamps(file.string()).size(), 2u);
}

TEST_F(CaptureWindowTest, ThePreviewShowsTheSceneAndKeepsTheLastPictureWhenOff) {
    avicap32::PreviewWidget* preview = window()->preview();
    send(WM_CAP_DRIVER_CONNECT, 0);
    send(WM_CAP_SET_PREVIEW, TRUE);
    send(WM_CAP_SET_PREVIEWRATE, 30);
    send(WM_CAP_SET_SCALE, TRUE);
    // Scaled, the picture has the window's size, not the camera's.
    EXPECT_TRUE(WaitUntil([&] { return preview->shownPicture().size() == QSize(270, 220); }));

    // Unscaled, it has the camera's own size, drawn from the top-left corner.
    send(WM_CAP_SET_SCALE, FALSE);
    EXPECT_TRUE(WaitUntil([&] { return preview->shownPicture().size() == QSize(320, 240); }));

    send(WM_CAP_SET_PREVIEW, FALSE);
    ASSERT_TRUE(waitForFrames(2));
    QImage frozen = preview->shownPicture();
    ASSERT_TRUE(waitForFrames(5));
    EXPECT_EQ(preview->shownPicture(), frozen);
}

}  // namespace

TEST_F(CaptureWindowTest, WithoutADriverNothingOpensAndAFailedCloseSaysWhy) {
    fs::path file = m_folder / "saved.avi";
    std::ofstream(file) << "a saved video";
    setFile(file);
    EXPECT_FALSE(send(WM_CAP_SINGLE_FRAME_OPEN));
    ASSERT_EQ(g_errors.size(), 1u);
    EXPECT_EQ(g_errors[0].id, IDS_CAP_DRIVER_ERROR);
    EXPECT_EQ(fs::file_size(file), 13u);

    // An open recording stays open when its driver goes; its frames fail until it is back.
    ASSERT_TRUE(send(WM_CAP_DRIVER_CONNECT, 0));
    ASSERT_TRUE(send(WM_CAP_SINGLE_FRAME_OPEN));
    ASSERT_TRUE(send(WM_CAP_SINGLE_FRAME));
    send(WM_CAP_DRIVER_DISCONNECT);
    g_errors.clear();
    EXPECT_TRUE(send(WM_CAP_SINGLE_FRAME_OPEN));
    EXPECT_FALSE(send(WM_CAP_SINGLE_FRAME));
    ASSERT_EQ(g_errors.size(), 1u);
    EXPECT_EQ(g_errors[0].id, IDS_CAP_DRIVER_ERROR);
    ASSERT_TRUE(send(WM_CAP_DRIVER_CONNECT, 0));
    ASSERT_TRUE(send(WM_CAP_SINGLE_FRAME));

    // A close that cannot finish the file tells why; a close with nothing open is no failure.
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit limited = old;
    limited.rlim_cur = fs::file_size(file);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    g_errors.clear();
    BOOL closed = static_cast<BOOL>(send(WM_CAP_SINGLE_FRAME_CLOSE));
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_FALSE(closed);
    ASSERT_EQ(g_errors.size(), 1u);
    EXPECT_EQ(g_errors[0].id, IDS_CAP_SETFILESIZE);
    EXPECT_EQ(Stamps(file.string()).size(), 2u);
    g_errors.clear();
    EXPECT_FALSE(send(WM_CAP_SINGLE_FRAME_CLOSE));
    EXPECT_TRUE(g_errors.empty());
}

// The large view's edits: after each, the file holds the take in its new order (read back by the
// frames' own stamps), and the program is told the new count.
TEST_F(CaptureWindowTest, EditsKeepTheTakeInOrderAndTellTheProgram) {
    ASSERT_TRUE(send(WM_CAP_DRIVER_CONNECT, 0));
    const fs::path path = m_folder / "take.avi";
    ASSERT_TRUE(setFile(path));
    ASSERT_TRUE(send(WM_CAP_SINGLE_FRAME_OPEN));
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(send(WM_CAP_SINGLE_FRAME));
    const std::vector<uint64_t> shot = Stamps(path.string());  // a b c d
    ASSERT_EQ(shot.size(), 4u);
    avicap32::CaptureWindow& take = *window();

    EXPECT_TRUE(take.deleteFrame(1).isEmpty());  // a c d
    take.setInsertionPoint(1);
    ASSERT_TRUE(send(WM_CAP_SINGLE_FRAME));  // a e c d
    ASSERT_TRUE(send(WM_CAP_SINGLE_FRAME));  // a e f c d
    EXPECT_EQ(take.insertionPoint(), std::optional<size_t>(3));
    std::vector<uint64_t> edited = Stamps(path.string());
    ASSERT_EQ(edited.size(), 5u);
    EXPECT_GT(edited[1], shot[3]);
    EXPECT_GT(edited[2], edited[1]);
    EXPECT_EQ(edited, (std::vector<uint64_t>{shot[0], edited[1], edited[2], shot[2], shot[3]}));

    size_t restoredAt = 0;
    EXPECT_TRUE(take.undoDelete(restoredAt).isEmpty());  // b back after a: a b e f c d
    EXPECT_EQ(restoredAt, 1u);
    EXPECT_EQ(take.insertionPoint(), std::optional<size_t>(4));
    EXPECT_EQ(Stamps(path.string()), (std::vector<uint64_t>{shot[0], shot[1], edited[1], edited[2], shot[2], shot[3]}));
    EXPECT_FALSE(take.undoDelete(restoredAt).isEmpty());  // nothing left to undo
    EXPECT_EQ(g_notices, (std::vector<UINT>{CAPN_FRAMES_CHANGED, CAPN_FRAMES_CHANGED}));

    CAPSTATUS status{};
    send(WM_CAP_GET_STATUS, sizeof status, reinterpret_cast<LPARAM>(&status));
    EXPECT_EQ(status.dwCurrentVideoFrame, 6u);
    while (take.frameCount() > 1) ASSERT_TRUE(take.deleteFrame(0).isEmpty());
    EXPECT_FALSE(take.deleteFrame(0).isEmpty());  // the only frame stays
    EXPECT_EQ(take.frameCount(), 1u);
    ASSERT_TRUE(send(WM_CAP_SINGLE_FRAME_CLOSE));
    EXPECT_TRUE(FfmpegDecodesCleanly(path.string()));
}

// A shot asked for from the large view goes to the program, unless a box of the program's own
// holds its window: then the view is told, and nothing waits to be shot later.
TEST_F(CaptureWindowTest, AShotIsAskedOfTheProgramUnlessItsWindowIsBusy) {
    ASSERT_TRUE(send(WM_CAP_DRIVER_CONNECT, 0));
    EXPECT_TRUE(window()->shoot().isEmpty());
    EnableWindow(m_parent, FALSE);
    EXPECT_TRUE(window()->shoot().startsWith(QStringLiteral("Not shot")));
    EnableWindow(m_parent, TRUE);
    EXPECT_EQ(g_notices, (std::vector<UINT>{CAPN_SHOOT}));
}

namespace {

using media::testing::FakeCall;
using media::testing::FakeGphotoIo;

// Every connection the capture window makes goes to one scripted camera, which the test steers.
class SharedGphotoIo : public media::GphotoIo {
public:
    explicit SharedGphotoIo(std::shared_ptr<FakeGphotoIo> fake) : m_fake(std::move(fake)) {}
    int detect(std::vector<media::DetectedCamera>& cameras) override { return m_fake->detect(cameras); }
    int open(const media::DetectedCamera& camera) override { return m_fake->open(camera); }
    int capturePreview(std::vector<uint8_t>& jpeg) override { return m_fake->capturePreview(jpeg); }
    int captureImage(media::CameraFilePath& path) override { return m_fake->captureImage(path); }
    int download(const media::CameraFilePath& path, std::vector<uint8_t>& data) override {
        return m_fake->download(path, data);
    }
    int waitForEvent(int timeoutMs, media::CameraEvent& event) override {
        return m_fake->waitForEvent(timeoutMs, event);
    }
    int listConfig(std::vector<std::string>& names) override { return m_fake->listConfig(names); }
    int getConfig(const std::string& name, media::ConfigWidget& widget) override {
        return m_fake->getConfig(name, widget);
    }
    int setConfig(const std::string& name, const std::string& value) override { return m_fake->setConfig(name, value); }
    void exit() override { m_fake->exit(); }

private:
    std::shared_ptr<FakeGphotoIo> m_fake;
};

const media::DetectedCamera kBody{"Fake Body", "usb:001,004"};

class StillsCaptureTest : public CaptureWindowTest {
protected:
    void SetUp() override {
        m_camera->setAttached({kBody});
        avicap32::SetStillsIoForTesting([fake = m_camera] { return std::make_unique<SharedGphotoIo>(fake); });
        CaptureWindowTest::SetUp();
    }
    void TearDown() override {
        CaptureWindowTest::TearDown();
        avicap32::SetStillsIoForTesting(nullptr);
    }
    static std::vector<std::string> driverNames(const std::vector<avicap32::CaptureDriver>& drivers) {
        std::vector<std::string> names;
        for (const avicap32::CaptureDriver& driver : drivers) names.push_back(driver.name);
        return names;
    }
    // Chooses a listed device by name, as the Source dialog does.
    media::Error choose(const std::string& name) {
        for (const avicap32::CaptureDriver& driver : avicap32::ListSelectableDrivers()) {
            if (driver.name == name) return window()->device().switchTo(driver);
        }
        return {media::ErrorKind::DeviceGone, name + " is not listed"};
    }
    DWORD frames() {
        CAPSTATUS status{};
        send(WM_CAP_GET_STATUS, sizeof status, reinterpret_cast<LPARAM>(&status));
        return status.dwCurrentVideoFrame;
    }
    std::wstring lastStatus() const { return g_statuses.empty() ? L"" : g_statuses.back().text; }

    std::shared_ptr<FakeGphotoIo> m_camera = std::make_shared<FakeGphotoIo>();
};

TEST_F(StillsCaptureTest, TheSourceListOffersEachStillsCameraByModelTwinsByPortAndTheBuiltInOne) {
    struct Case {
        std::vector<media::DetectedCamera> attached;
        bool detectionFails;
        std::vector<std::string> stillsNames;  // listed after the test scene
    };
    const std::vector<Case> cases = {
        {{kBody}, false, {"Fake Body", "Built-in test stills camera"}},
        {{kBody, {"Fake Body", "usb:001,009"}, {"Other", "usb:002,001"}},
         false,
         {"Fake Body (usb:001,004)", "Fake Body (usb:001,009)", "Other", "Built-in test stills camera"}},
        // Detection failing leaves what needs none.
        {{kBody}, true, {"Built-in test stills camera"}},
    };
    for (const Case& c : cases) {
        m_camera->setAttached(c.attached);
        if (c.detectionFails) m_camera->fail(FakeCall::Detect, GP_ERROR_IO, 1);
        std::vector<std::string> names = driverNames(avicap32::ListSelectableDrivers());
        auto scene = std::find(names.begin(), names.end(), "Built-in test scene");
        ASSERT_NE(scene, names.end());
        EXPECT_EQ(std::vector<std::string>(scene + 1, names.end()), c.stillsNames) << c.stillsNames.front();
    }
}

TEST_F(StillsCaptureTest, APressReturnsAtOnceAndItsFrameCountsOnceTheStillIsOnDisk) {
    const fs::path file = m_folder / "take.avi";
    const fs::path stills = m_folder / "take.stills";
    setFile(file);
    ASSERT_FALSE(choose("Fake Body"));
    ASSERT_TRUE(send(WM_CAP_SINGLE_FRAME_OPEN));

    // A slow camera: the press answers before the still is taken, and a second one is refused.
    m_camera->holdCaptures(true);
    EXPECT_FALSE(send(WM_CAP_SINGLE_FRAME));
    EXPECT_EQ(g_statuses.back().id, IDS_CAP_STAT_STILL);
    EXPECT_FALSE(send(WM_CAP_SINGLE_FRAME));
    EXPECT_EQ(lastStatus(), QString(media::StillsCamera::kStillPending).toStdWString());
    EXPECT_TRUE(g_errors.empty());
    EXPECT_EQ(frames(), 0u);
    m_camera->holdCaptures(false);
    ASSERT_TRUE(WaitUntil([] { return g_framesChanged == 1; }));
    EXPECT_EQ(frames(), 1u);
    EXPECT_EQ(media::ListStills(stills.string()).size(), 1u);

    // The card full: no still, no frame, the reason in Status.
    m_camera->fail(FakeCall::Capture, GP_ERROR_NO_SPACE, 1);
    g_statuses.clear();
    EXPECT_FALSE(send(WM_CAP_SINGLE_FRAME));
    ASSERT_TRUE(WaitUntil([&] { return lastStatus().starts_with(L"No frame was captured"); }));
    EXPECT_EQ(frames(), 1u);
    EXPECT_TRUE(g_errors.empty());
    EXPECT_EQ(g_framesChanged, 2);  // the program hears of the ending, to show it

    // Stop waits for the still being taken and counts it.
    m_camera->holdCaptures(true);
    EXPECT_FALSE(send(WM_CAP_SINGLE_FRAME));
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        m_camera->holdCaptures(false);
    });
    EXPECT_TRUE(send(WM_CAP_SINGLE_FRAME_CLOSE));
    release.join();
    EXPECT_EQ(g_framesChanged, 3);
    EXPECT_EQ(Stamps(file.string()).size(), 2u);
    EXPECT_EQ(media::ListStills(stills.string()).size(), 2u);
}

TEST_F(StillsCaptureTest, ATakeWithStillsSaysSoAndANewTakeSetsItsStillsAside) {
    const fs::path file = m_folder / "take.avi";
    setFile(file);
    ASSERT_FALSE(choose("Fake Body"));
    ASSERT_TRUE(send(WM_CAP_SINGLE_FRAME_OPEN));
    EXPECT_FALSE(send(WM_CAP_SINGLE_FRAME));
    ASSERT_TRUE(WaitUntil([] { return g_framesChanged == 1; }));
    ASSERT_TRUE(send(WM_CAP_SINGLE_FRAME_CLOSE));
    EXPECT_EQ(send(WM_CAP_FILE_GET_REPLACEMENT), CAPFILE_REPLACE | CAPFILE_HAS_STILLS);

    // A webcam's take over it: the old stills go aside with its first frame, never removed.
    ASSERT_FALSE(choose("Built-in test scene"));
    ASSERT_TRUE(send(WM_CAP_SINGLE_FRAME_OPEN));
    EXPECT_EQ(media::ListStills((m_folder / "take.stills").string()).size(), 1u);
    ASSERT_TRUE(send(WM_CAP_SINGLE_FRAME));
    ASSERT_TRUE(send(WM_CAP_SINGLE_FRAME_CLOSE));
    EXPECT_FALSE(fs::exists(m_folder / "take.stills"));
    EXPECT_EQ(media::ListStills((m_folder / "take.stills.1").string()).size(), 1u);
    EXPECT_EQ(send(WM_CAP_FILE_GET_REPLACEMENT), CAPFILE_REPLACE);
}

// A still shot at an insertion point goes in there with its frame, the stills renumbered to
// follow the take, and the next shot goes in after it. The frames are as wide as Video Format
// chose, in the still's proportions.
TEST_F(StillsCaptureTest, AShotAtAnInsertionPointTakesItsStillAlongInOrder) {
    const fs::path file = m_folder / "take.avi";
    setFile(file);
    ASSERT_FALSE(choose("Fake Body"));
    window()->device().setStillsTakeWidth(1280);
    ASSERT_TRUE(send(WM_CAP_SINGLE_FRAME_OPEN));
    const auto shoot = [&](int confirmed) {
        EXPECT_FALSE(send(WM_CAP_SINGLE_FRAME));
        EXPECT_TRUE(WaitUntil([&] { return g_framesChanged == confirmed; }));
    };
    shoot(1);
    shoot(2);
    window()->setInsertionPoint(1);
    shoot(3);
    EXPECT_EQ(window()->insertionPoint(), std::optional<size_t>(2));
    ASSERT_TRUE(send(WM_CAP_SINGLE_FRAME_CLOSE));

    media::AviReader reader;
    ASSERT_FALSE(reader.open(file.string()));
    EXPECT_EQ(std::pair(reader.headers().width, reader.headers().height), std::pair(1280u, 854u));
    const std::vector<uint64_t> frames = Stamps(file.string());
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_GT(frames[1], frames[2]);  // the newest went in between
    std::vector<uint64_t> stills;
    const std::string folder = media::StillsFolderPath(file.string());
    for (const auto& numbered : media::ListStills(folder)) {
        std::ifstream in(folder + "/" + numbered.second.front(), std::ios::binary);
        const std::vector<uint8_t> jpeg((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        media::Frame rgb;
        ASSERT_FALSE(media::DecodeJpegToRgb(jpeg, rgb));
        stills.push_back(media::ReadFrameStamp(rgb).value_or(~0ull));
    }
    EXPECT_EQ(stills, frames);
}

// A camera held by another program: the preview and the Source dialog name the cause and the fix.
TEST_F(StillsCaptureTest, ACameraHeldElsewhereSaysByWhatAndHowToFreeIt) {
    m_camera->fail(FakeCall::Open, GP_ERROR_IO_USB_CLAIM, -1);
    media::Error error = choose("Fake Body");
    EXPECT_NE(error.message.find("photo-import service"), std::string::npos) << error.message;
    EXPECT_NE(error.message.find("gio mount -s gphoto2"), std::string::npos) << error.message;
    EXPECT_TRUE(window()->preview()->message().contains("photo-import service"));
}

TEST_F(StillsCaptureTest, TheSourceDialogShowsTheCamerasSettingsAsReadBackAndRemembersThem) {
    testing_support::ScriptedModals modals;
    ASSERT_FALSE(choose("Fake Body"));
    const std::string key = window()->device().driver()->settingsKey;
    modals.expectLiveDialog(L"Video Source", [&](testing_support::LiveDialog& dialog) {
        ASSERT_TRUE(WaitUntil([&] { return dialog.dialog().findChild<QComboBox*>("whitebalance") != nullptr; }));
        dialog.press("Lock exposure, white balance and focus");
        EXPECT_TRUE(dialog.shows("Still automatic: exposure mode P, ISO Auto, white balance Auto"));

        // Outside manual exposure the body keeps its own shutter speed: the list shows what it kept.
        dialog.choose("Shutter speed", "1/250");
        EXPECT_TRUE(WaitUntil([&] { return dialog.shows("The camera kept"); }));
        EXPECT_EQ(dialog.text("Shutter speed"), "1/60");

        for (const auto& choice :
             {std::pair{"Exposure mode", "Manual"}, {"ISO", "200"}, {"White balance", "Daylight"}}) {
            const char* list = choice.first;
            const char* value = choice.second;
            dialog.choose(list, value);
            EXPECT_TRUE(WaitUntil([&] { return dialog.text(list) == value; })) << list;
        }
        // The check goes by what the camera read back, which comes a moment after each choice.
        EXPECT_TRUE(WaitUntil([&] {
            dialog.press("Lock exposure, white balance and focus");
            return dialog.shows("Exposure and white balance are fixed");
        }));
        dialog.press("OK");
    });
    EXPECT_TRUE(send(WM_CAP_DLG_VIDEOSOURCE));
    modals.verify();
    const auto remembered = window()->settings().stillsSettings(key).values();
    EXPECT_NE(std::find(remembered.begin(), remembered.end(), std::pair<std::string, std::string>{"iso", "200"}),
              remembered.end());

    // Cancel puts the camera and what is remembered for it back as they were.
    modals.expectLiveDialog(L"Video Source", [&](testing_support::LiveDialog& dialog) {
        ASSERT_TRUE(WaitUntil([&] { return dialog.dialog().findChild<QComboBox*>("iso") != nullptr; }));
        EXPECT_EQ(dialog.text("ISO"), "200");
        dialog.choose("ISO", "800");
        EXPECT_TRUE(WaitUntil([&] { return dialog.text("ISO") == "800"; }));
        dialog.press("Cancel");
    });
    EXPECT_TRUE(send(WM_CAP_DLG_VIDEOSOURCE));
    modals.verify();
    EXPECT_EQ(window()->settings().stillsSettings(key).values(), remembered);
    media::ConfigWidget iso;
    EXPECT_TRUE(WaitUntil([&] { return m_camera->getConfig("iso", iso) == GP_OK && iso.value == "200"; }));
}

// Known by its serial number once open: a USB camera comes back on another port with every plug,
// and is still the one connected last.
TEST_F(StillsCaptureTest, AStillsCameraUnpluggedAndPluggedBackIsConnectedAgain) {
    ASSERT_FALSE(choose("Fake Body"));
    const std::string key = window()->device().driver()->settingsKey;
    EXPECT_EQ(key, "gphoto2:Fake Body#0000TESTSTILLS");
    window()->device().usbDeviceRemoved("/dev/bus/usb/001/004");
    EXPECT_FALSE(window()->connected());
    m_camera->setAttached({});
    window()->device().usbDeviceAdded();  // another USB device: not the camera
    EXPECT_FALSE(window()->connected());
    m_camera->setAttached({{"Other", "usb:001,005"}, {"Fake Body", "usb:001,006"}});
    window()->device().usbDeviceAdded();
    ASSERT_TRUE(window()->connected());
    EXPECT_EQ(window()->device().driver()->settingsKey, key);

    window()->device().disconnect();
    m_camera->setAttached({{"Fake Body", "usb:002,003"}});
    unsetenv("PLATFORM_TEST_CAPTURE_DEVICE");     // no device named for this run
    EXPECT_FALSE(window()->device().connect(0));  // the next start
    ASSERT_TRUE(window()->connected());
    EXPECT_EQ(window()->device().driver()->settingsKey, key);
    EXPECT_EQ(window()->settings().lastDevice(), key);
}

}  // namespace
