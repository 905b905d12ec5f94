// File > Set Capture File.
#include "capture_fixture.h"
#include "commdlg.h"

namespace {

using namespace testing_support;

class CaptureFileTest : public CaptureTest {
protected:
    void choose(const std::wstring& path) {
        m_modals.expectFileDialog({true, path}, [this](const user32::FileDialogCall& call) {
            EXPECT_TRUE(call.save);
            EXPECT_EQ(call.owner, m_harness->hwnd());
            EXPECT_EQ(call.title, L"Save Dovarederu Video as..");
            EXPECT_EQ(call.filter, std::wstring(L"Video files (*.avi)\0*.avi\0", 26));
            EXPECT_EQ(call.defaultExtension, L"AVI");
            EXPECT_EQ(call.initialFile, L"");
            EXPECT_FALSE(call.flags & OFN_OVERWRITEPROMPT);
            // Room for any path the system takes.
            EXPECT_GE(call.maxFile, 4096u);
        });
        m_harness->command(32773);
    }
    // The user cancels the file dialog and is told which file will be used.
    void cancel(const std::wstring& message) {
        m_modals.expectFileDialog({false, L""});
        m_modals.expectMessageBox(message, MB_OK);
        m_harness->command(32773);
    }
    void stop() {
        m_modals.expectMessageBox(
            L"Are you sure you wish to stop and save ? You cannot add to this video in Kinoree if you choose Ok.",
            MB_OKCANCEL, IDOK);
        m_harness->click(1001);
    }
    static std::vector<std::wstring> capturePathsSent() {
        std::vector<std::wstring> paths;
        for (const CaptureRequest& r : SpyCaptureWindow::requests()) {
            if (r.message == WM_CAP_FILE_SET_CAPTURE_FILEW) paths.push_back(r.path);
        }
        return paths;
    }
};

TEST_F(CaptureFileTest, ChosenPathGoesToTheCaptureWindowAndTheFileNameBox) {
    start();
    const std::wstring chosen = (folder() / "Scene one.avi").wstring();
    choose(chosen);
    EXPECT_EQ(capturePathsSent(), std::vector<std::wstring>{chosen});
    EXPECT_EQ(m_harness->text(1011), chosen);
    EXPECT_TRUE(m_harness->dialog.m_bFileChosen);
}

TEST_F(CaptureFileTest, CancelBeforeAnyChoiceNamesTheRealDefaultFile) {
    start();
    auto before = m_harness->snapshot();
    cancel(L"No save file entered.  Using default " + capturePath() + L" ");
    EXPECT_TRUE(capturePathsSent().empty());
    before.requests = SpyCaptureWindow::requests().size();
    EXPECT_EQ(m_harness->snapshot(), before);
}

TEST_F(CaptureFileTest, CancelAfterAChoiceKeepsTheChosenFile) {
    start();
    const std::wstring chosen = (folder() / "take.avi").wstring();
    choose(chosen);
    SpyCaptureWindow::requests().clear();

    cancel(L"As you have not selected a file, Kinoree will use the one in the File Name box..");
    EXPECT_TRUE(SpyCaptureWindow::requests().empty());
    EXPECT_EQ(m_harness->text(1011), chosen);
}

TEST_F(CaptureFileTest, LongPathsAreAccepted) {
    start();
    std::wstring chosen = folder().wstring();
    for (int i = 0; i < 12; ++i) chosen += L"/a folder with a rather long name";
    chosen += L"/video.avi";
    ASSERT_GT(chosen.size(), 400u);
    choose(chosen);
    EXPECT_EQ(capturePathsSent(), std::vector<std::wstring>{chosen});
    EXPECT_EQ(m_harness->text(1011), chosen);
}

TEST_F(CaptureFileTest, AFileChosenDuringARecordingAppliesFromTheNextRecording) {
    start();
    m_harness->click(1000);
    const std::wstring next = (folder() / "next.avi").wstring();
    choose(next);
    // The frames go on to the open file, which the box keeps naming.
    EXPECT_TRUE(capturePathsSent().empty());
    EXPECT_EQ(m_harness->text(1011), capturePath());
    EXPECT_EQ(m_harness->text(1010), L"The new file applies from the next recording: " + next);
    EXPECT_TRUE(SpyCaptureWindow::singleFrameOpen());
    m_harness->click(1000);
    EXPECT_EQ(m_harness->text(1007), L"2");

    stop();
    EXPECT_EQ(capturePathsSent(), std::vector<std::wstring>{next});
    EXPECT_EQ(m_harness->text(1011), next);
    EXPECT_EQ(m_harness->text(1010), L"Recorded 2 Frames. Stoped and saved");

    // A cancelled dialog drops a waiting choice: the file in the box is the one used.
    m_harness->click(1000);
    choose((folder() / "dropped.avi").wstring());
    cancel(L"As you have not selected a file, Kinoree will use the one in the File Name box..");
    stop();
    EXPECT_EQ(capturePathsSent(), std::vector<std::wstring>{next});
    EXPECT_EQ(m_harness->text(1011), next);
}

TEST_F(CaptureFileTest, AnExistingFileIsChosenWithoutAWarningAndTheRecordingAsksBeforeReplacingIt) {
    start();
    const std::filesystem::path existing = folder() / "saved.avi";
    std::ofstream(existing) << "a saved video";
    choose(existing.wstring());

    m_modals.expectMessageBox(
        L"The file " + existing.wstring() + L" already exists. Replace it with the new recording?", MB_OKCANCEL, IDOK);
    m_harness->click(1000);
    EXPECT_EQ(m_harness->text(1007), L"1");
}

}  // namespace
