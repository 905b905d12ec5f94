// Every command of the main dialog when the capture window could not be made.
#include "capture_fixture.h"

namespace {

using namespace testing_support;

class NoCaptureWindowTest : public CaptureTest {
protected:
    void SetUp() override {
        SpyCaptureConfig config = SpyCaptureWindow::defaultConfig();
        config.createFails = true;
        m_modals.expectMessageBox(testing_support::kConnectProblem, MB_OK);
        start(config);
        ASSERT_FALSE(IsWindow(g_hWndCap));
    }
};

TEST_F(NoCaptureWindowTest, RecordingCountsNothingAndSaysSo) {
    m_harness->click(1000);
    EXPECT_EQ(m_harness->text(1007), L"0");
    EXPECT_EQ(m_harness->text(1010), L"No frame was captured. The capture device is not available.");

    m_modals.expectMessageBox(
        L"Are you sure you wish to stop and save ? You cannot add to this video in Kinoree if you choose Ok.",
        MB_OKCANCEL, IDOK);
    m_harness->click(1001);
    EXPECT_EQ(m_harness->text(1010), L"Recorded 0 Frames. Stoped and saved");
    EXPECT_TRUE(SpyCaptureWindow::requests().empty());
}

TEST_F(NoCaptureWindowTest, VideoControlsOnlyChangeThePreviewText) {
    m_harness->click(1002);
    EXPECT_EQ(m_harness->text(1002), L"Preview ON");
    for (int id : {1003, 1004, 1005, 1006}) m_harness->click(id);
    EXPECT_TRUE(SpyCaptureWindow::requests().empty());
}

TEST_F(NoCaptureWindowTest, CaptureFileAndQuitStillWork) {
    // With no capture window the default file is the platform's.
    WCHAR fallback[4096] = {};
    capGetDefaultCaptureFileW(fallback, 4096);
    m_modals.expectFileDialog({false, L""});
    m_modals.expectMessageBox(std::wstring(L"No save file entered.  Using default ") + fallback + L" ", MB_OK);
    m_harness->command(32773);

    m_modals.expectFileDialog({true, L"/tmp/take.avi"});
    m_harness->command(32773);
    EXPECT_EQ(m_harness->text(1011), L"/tmp/take.avi");

    m_modals.expectMessageBox(L"Are you sure you want to quit", MB_OKCANCEL, IDOK);
    m_harness->click(IDOK);
    EXPECT_TRUE(m_harness->ended());
    EXPECT_TRUE(SpyCaptureWindow::requests().empty());
}

}  // namespace
