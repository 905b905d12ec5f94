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

// On the way out, frames the capture window kept because their path would not take them are
// saved beside it, else in the program's data folder; where neither takes them, the dialog stays.
TEST_F(QuitTest, AKeptRecordingIsSavedElsewhereBeforeTheProgramEnds) {
    struct Case {
        const char* name;
        UINT command;
        int refusals;
        const wchar_t* savedIn;  // nullptr: nowhere
    };
    const Case cases[] = {
        {"beside the path", IDOK, 0, L"/Capture (recovered 1).avi"},
        {"in the data folder, by Escape", IDCANCEL, 1, L"/recovered/Capture (recovered 1).avi"},
        {"nowhere", IDOK, 2, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SpyCaptureConfig config = SpyCaptureWindow::defaultConfig();
        config.closeError = L"Cannot create folder /home/animator/Videos: Permission denied";
        config.keepOnClose = true;
        config.saveAsRefusals = c.refusals;
        start(config);
        m_harness->click(1000);
        if (c.command == IDOK) m_modals.expectMessageBox(kQuitQuestion, MB_OKCANCEL, IDOK);
        const std::wstring told = L"The recording could not be saved to " + capturePath();
        m_modals.expectMessageBoxStartingWith(told, MB_OK);
        m_harness->command(c.command);
        const std::vector<std::wstring> tried = SpyCaptureWindow::savedAs();
        ASSERT_EQ(tried.size(), size_t(c.refusals + (c.savedIn ? 1 : 0)));
        EXPECT_EQ(m_harness->ended(), c.savedIn != nullptr);
        EXPECT_EQ(SpyCaptureWindow::singleFrameOpen(), c.savedIn == nullptr);
        if (c.savedIn) {
            const std::wstring beside = capturePath().substr(0, capturePath().rfind(L'/'));
            EXPECT_EQ(tried.back().starts_with(beside + L"/Capture"), c.refusals == 0);
            EXPECT_TRUE(tried.back().ends_with(c.savedIn)) << std::string(tried.back().begin(), tried.back().end());
            EXPECT_NE(m_modals.messageBoxes().back().text.find(tried.back()), std::wstring::npos);
        } else {
            EXPECT_TRUE(m_harness->text(1010).starts_with(told));
        }
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

// An open recording is finished first, as the capture window would finish it on its way out.
TEST_F(QuitTest, EscapeEndsWithoutAskingOrShuttingCaptureDown) {
    start();
    m_harness->click(1000);
    SpyCaptureWindow::requests().clear();
    m_harness->click(IDCANCEL);
    EXPECT_TRUE(m_harness->ended());
    EXPECT_EQ(m_harness->result(), IDCANCEL);
    EXPECT_EQ(SpyCaptureWindow::messages(), std::vector<UINT>{WM_CAP_SINGLE_FRAME_CLOSE});
}

}  // namespace
