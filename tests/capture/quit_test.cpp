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
        m_harness->click(1000);
        m_harness->click(1000);
        SpyCaptureWindow::requests().clear();

        m_modals.expectMessageBox(kQuitQuestion, MB_OKCANCEL, IDOK);
        m_harness->command(command);
        EXPECT_EQ(SpyCaptureWindow::messages(),
                  (std::vector<UINT>{WM_CAP_STOP, WM_CAP_SINGLE_FRAME_CLOSE, WM_CAP_DRIVER_DISCONNECT}));
        EXPECT_FALSE(SpyCaptureWindow::singleFrameOpen());
        EXPECT_EQ(m_harness->text(1010), L"Stopped and saved file to desired location");
        EXPECT_TRUE(m_harness->ended());
        EXPECT_EQ(m_harness->result(), IDOK);
        // Nothing of the recording is reset: the program is ending.
        EXPECT_EQ(g_nFrameCount, 2);
        EXPECT_EQ(m_harness->text(1007), L"2");
        EXPECT_EQ(m_harness->videoControlsEnabled(), std::vector<bool>(5, false));
    }
}

TEST_F(QuitTest, CancelledQuitLeavesEverythingAsItWas) {
    start();
    m_harness->click(1000);
    auto before = m_harness->snapshot();

    m_modals.expectMessageBox(kQuitQuestion, MB_OKCANCEL, IDCANCEL);
    m_harness->click(IDOK);
    EXPECT_EQ(m_harness->snapshot(), before);
    EXPECT_FALSE(m_harness->ended());
    EXPECT_TRUE(SpyCaptureWindow::singleFrameOpen());
}

TEST_F(QuitTest, EscapeEndsWithoutAskingOrShuttingCaptureDown) {
    start();
    m_harness->click(1000);
    SpyCaptureWindow::requests().clear();
    m_harness->click(IDCANCEL);
    EXPECT_TRUE(m_harness->ended());
    EXPECT_EQ(m_harness->result(), IDCANCEL);
    EXPECT_TRUE(SpyCaptureWindow::requests().empty());
}

}  // namespace
