// Quit, File > Quit, and Escape.
#include "capture_fixture.h"

namespace {

using namespace testing_support;

const std::wstring kQuitQuestion = L"Are you sure you want to quit";

using QuitTest = CaptureTest;

TEST_F(QuitTest, QuitFinishesTheRecordingDisconnectsAndEnds) {
    for (UINT command : {IDOK, 32774}) {
        SCOPED_TRACE(command);
        start();
        harness->click(1000);
        harness->click(1000);
        SpyCaptureWindow::Requests().clear();

        modals.expectMessageBox(kQuitQuestion, MB_OKCANCEL, IDOK);
        harness->command(command);
        EXPECT_EQ(SpyCaptureWindow::Messages(),
                  (std::vector<UINT>{WM_CAP_STOP, WM_CAP_SINGLE_FRAME_CLOSE, WM_CAP_DRIVER_DISCONNECT}));
        EXPECT_FALSE(SpyCaptureWindow::SingleFrameOpen());
        EXPECT_EQ(harness->text(1010), L"Stopped and saved file to desired location");
        EXPECT_TRUE(harness->ended());
        EXPECT_EQ(harness->result(), IDOK);
        // Nothing of the recording is reset: the program is ending.
        EXPECT_EQ(g_nFrameCount, 2);
        EXPECT_EQ(harness->text(1007), L"2");
        EXPECT_EQ(harness->videoControlsEnabled(), std::vector<bool>(5, false));
    }
}

TEST_F(QuitTest, CancelledQuitLeavesEverythingAsItWas) {
    start();
    harness->click(1000);
    auto before = harness->snapshot();

    modals.expectMessageBox(kQuitQuestion, MB_OKCANCEL, IDCANCEL);
    harness->click(IDOK);
    EXPECT_EQ(harness->snapshot(), before);
    EXPECT_FALSE(harness->ended());
    EXPECT_TRUE(SpyCaptureWindow::SingleFrameOpen());
}

TEST_F(QuitTest, EscapeEndsWithoutAskingOrShuttingCaptureDown) {
    start();
    harness->click(1000);
    SpyCaptureWindow::Requests().clear();
    harness->click(IDCANCEL);
    EXPECT_TRUE(harness->ended());
    EXPECT_EQ(harness->result(), IDCANCEL);
    EXPECT_TRUE(SpyCaptureWindow::Requests().empty());
}

}  // namespace
