// "Capture Single frame" and "Stop /  Save" on the main dialog, over the spy capture window.
#include "capture_fixture.h"

#include <map>

namespace {

using namespace testing_support;

const std::wstring kRecording = L"Recording single frames to capture file. PRESS STOP TO SAVE.";
const std::wstring kStopQuestion =
    L"Are you sure you wish to stop and save ? You cannot add to this video in Kinoree if you choose Ok.";

const std::vector<bool> kAllEnabled(5, true);
const std::vector<bool> kAllDisabled(5, false);

class RecordingTest : public CaptureTest {
protected:
    void stop(int answer = IDOK) {
        m_modals.expectMessageBox(kStopQuestion, MB_OKCANCEL, answer);
        m_harness->click(1001);
    }
    // The interval in force at each frame asked for.
    static std::vector<DWORD> intervalsAtFrames() {
        std::vector<DWORD> intervals;
        for (const CaptureRequest& r : SpyCaptureWindow::requests()) {
            if (r.message == WM_CAP_SINGLE_FRAME) intervals.push_back(r.parmsAtFrame.dwRequestMicroSecPerFrame);
        }
        return intervals;
    }
};

TEST_F(RecordingTest, CounterShowsTheFramesOfTheRecordingAndTheStopReportsThem) {
    start();
    EXPECT_EQ(m_harness->text(1007), L"0");
    for (int n = 1; n <= 4; ++n) {
        m_harness->click(1000);
        EXPECT_EQ(m_harness->text(1007), std::to_wstring(n));
        EXPECT_EQ(m_harness->text(1010), kRecording);
    }
    EXPECT_EQ(SpyCaptureWindow::confirmedFrames(), 4);

    stop();
    EXPECT_EQ(m_harness->text(1010), L"Recorded 4 Frames. Stoped and saved");
    EXPECT_EQ(m_harness->text(1007), L"0");
    EXPECT_EQ(g_nFrameCount, 0);
    EXPECT_FALSE(SpyCaptureWindow::singleFrameOpen());

    // A new recording counts from one again.
    m_harness->click(1000);
    EXPECT_EQ(m_harness->text(1007), L"1");
    EXPECT_EQ(m_harness->text(1010), kRecording);
}

TEST_F(RecordingTest, EveryPressOpensAndTakesOneFrameAndTheStopClosesTheFile) {
    start();
    m_harness->click(1000);
    // Only the first frame of a recording asks which file it would replace.
    EXPECT_EQ(SpyCaptureWindow::messages(),
              (std::vector<UINT>{WM_CAP_FILE_GET_CAPTURE_FILEW, WM_CAP_GET_SEQUENCE_SETUP, WM_CAP_SET_SEQUENCE_SETUP,
                                 WM_CAP_SINGLE_FRAME_OPEN, WM_CAP_SINGLE_FRAME}));
    SpyCaptureWindow::requests().clear();
    m_harness->click(1000);
    EXPECT_EQ(SpyCaptureWindow::messages(), (std::vector<UINT>{WM_CAP_GET_SEQUENCE_SETUP, WM_CAP_SET_SEQUENCE_SETUP,
                                                               WM_CAP_SINGLE_FRAME_OPEN, WM_CAP_SINGLE_FRAME}));
    SpyCaptureWindow::requests().clear();
    stop();
    EXPECT_EQ(SpyCaptureWindow::messages(), (std::vector<UINT>{WM_CAP_STOP, WM_CAP_SINGLE_FRAME_CLOSE}));
}

// Shots from the large view and its edits, each step with the counter it leaves: the box and the
// stop's report always hold the file's own count.
TEST_F(RecordingTest, TheCounterFollowsShotsAndEditsFromTheLargeView) {
    enum Step { Press, Shoot, Edit };
    struct Case {
        Step step;
        int framesAfterEdit;
        const wchar_t* counter;
    };
    const Case steps[] = {
        {Shoot, 0, L"1"}, {Press, 0, L"2"}, {Shoot, 0, L"3"}, {Edit, 2, L"2"},  // a frame deleted
        {Edit, 1, L"1"},  {Shoot, 0, L"2"}, {Edit, 3, L"3"},                    // a deletion undone
    };
    start();
    for (const Case& c : steps) {
        SCOPED_TRACE(c.counter);
        if (c.step == Press) m_harness->click(1000);
        if (c.step == Shoot) SpyCaptureWindow::notify(CAPN_SHOOT);
        if (c.step == Edit) SpyCaptureWindow::editTake(c.framesAfterEdit);
        EXPECT_EQ(m_harness->text(1007), c.counter);
        EXPECT_EQ(m_harness->text(1010), kRecording);
    }
    stop();
    EXPECT_EQ(m_harness->text(1010), L"Recorded 3 Frames. Stoped and saved");

    // Told of a change with no recording open, the counter stays at none.
    SpyCaptureWindow::editTake(5);
    EXPECT_EQ(m_harness->text(1007), L"0");
}

// A shot asked for by the large view is a press: the same requests, and the same question
// before a video at the capture path is replaced.
TEST_F(RecordingTest, AShotFromTheLargeViewIsAPressOfCaptureSingleFrame) {
    makeFileAtCapturePath();
    start();
    m_modals.expectMessageBoxStartingWith(L"The file ", MB_OKCANCEL, IDCANCEL);
    SpyCaptureWindow::notify(CAPN_SHOOT);
    EXPECT_EQ(SpyCaptureWindow::confirmedFrames(), 0);
    m_modals.expectMessageBoxStartingWith(L"The file ", MB_OKCANCEL, IDOK);
    SpyCaptureWindow::notify(CAPN_SHOOT);
    EXPECT_EQ(SpyCaptureWindow::messages(),
              (std::vector<UINT>{WM_CAP_FILE_GET_CAPTURE_FILEW, WM_CAP_DRIVER_GET_CAPS, WM_CAP_FILE_GET_REPLACEMENT,
                                 WM_CAP_FILE_GET_CAPTURE_FILEW, WM_CAP_DRIVER_GET_CAPS, WM_CAP_FILE_GET_REPLACEMENT,
                                 WM_CAP_GET_SEQUENCE_SETUP, WM_CAP_SET_SEQUENCE_SETUP, WM_CAP_SINGLE_FRAME_OPEN,
                                 WM_CAP_SINGLE_FRAME}));
    EXPECT_EQ(m_harness->text(1007), L"1");
}

// Records the order in which the Video Controls buttons are enabled or disabled.
std::vector<int> g_enableOrder;
std::map<HWND, WNDPROC> g_buttonProcs;

LRESULT CALLBACK EnableSpyProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ENABLE) g_enableOrder.push_back(GetDlgCtrlID(button));
    return CallWindowProcW(g_buttonProcs[button], button, message, wParam, lParam);
}

TEST_F(RecordingTest, VideoControlsAreDisabledWhileRecordingInTheirOrder) {
    start();
    g_enableOrder.clear();
    g_buttonProcs.clear();
    for (int id = 1002; id <= 1006; ++id) {
        HWND button = GetDlgItem(m_harness->hwnd(), id);
        g_buttonProcs[button] = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&EnableSpyProc)));
    }
    const std::vector<int> order{1003, 1002, 1005, 1004, 1006};

    m_harness->click(1000);
    EXPECT_EQ(m_harness->videoControlsEnabled(), kAllDisabled);
    EXPECT_EQ(g_enableOrder, order);
    // The capture buttons and Quit stay usable throughout.
    EXPECT_TRUE(m_harness->enabled(1000));
    EXPECT_TRUE(m_harness->enabled(1001));
    EXPECT_TRUE(m_harness->enabled(IDOK));

    g_enableOrder.clear();
    stop();
    EXPECT_EQ(m_harness->videoControlsEnabled(), kAllEnabled);
    EXPECT_EQ(g_enableOrder, order);
}

TEST_F(RecordingTest, StopWithoutAFrameStillClosesAndReportsNone) {
    start();
    stop();
    EXPECT_EQ(SpyCaptureWindow::messages(), (std::vector<UINT>{WM_CAP_STOP, WM_CAP_SINGLE_FRAME_CLOSE}));
    EXPECT_EQ(m_harness->text(1010), L"Recorded 0 Frames. Stoped and saved");
}

TEST_F(RecordingTest, CancelledStopLeavesTheRecordingAsItWas) {
    start();
    m_harness->click(1000);
    m_harness->click(1000);
    auto before = m_harness->snapshot();

    stop(IDCANCEL);
    EXPECT_EQ(m_harness->snapshot(), before);
    EXPECT_TRUE(SpyCaptureWindow::singleFrameOpen());

    // The recording goes on: no question, the next frame is the third.
    m_harness->click(1000);
    EXPECT_EQ(m_harness->text(1007), L"3");
}

TEST_F(RecordingTest, IntervalFollowsTheFrameRateShownAtEachFrame) {
    start();
    for (int rate : {1, 7, 15, 60}) {
        m_harness->setFrameRate(rate);
        m_harness->click(1000);
    }
    EXPECT_EQ(intervalsAtFrames(), (std::vector<DWORD>{1000000, 142857, 66666, 16666}));

    // The set-up's other parameters travel unchanged with each new interval.
    const CAPTUREPARMS& parms = SpyCaptureWindow::config().parms;
    EXPECT_FALSE(parms.fYield);
    EXPECT_FALSE(parms.fCaptureAudio);
    EXPECT_EQ(parms.wStepCaptureAverageFrames, 5);
    EXPECT_EQ(parms.wNumVideoRequested, 7);
}

TEST_F(RecordingTest, UnreadableRateBoxFallsBackOnTheControlsOwnPosition) {
    start();
    m_harness->setFrameRate(7);
    SetWindowTextW(GetDlgItem(m_harness->hwnd(), 1008), L"seven");
    m_harness->click(1000);
    EXPECT_EQ(intervalsAtFrames(), (std::vector<DWORD>{142857}));
}

TEST_F(RecordingTest, FailedFramesDoNotCountAndSayWhy) {
    SpyCaptureConfig config = SpyCaptureWindow::defaultConfig();
    config.singleFrameReply = FALSE;
    config.singleFrameError = L"The disk is full.";
    start(config);

    m_harness->click(1000);
    EXPECT_EQ(m_harness->text(1007), L"0");
    EXPECT_EQ(m_harness->text(1010), L"No frame was captured. The disk is full.");

    SpyCaptureWindow::config().singleFrameReply = TRUE;
    m_harness->click(1000);
    m_harness->click(1000);
    EXPECT_EQ(m_harness->text(1007), L"2");
    EXPECT_EQ(m_harness->text(1010), kRecording);

    SpyCaptureWindow::config().singleFrameReply = FALSE;
    SpyCaptureWindow::config().singleFrameError = L"The capture file cannot be written.";
    m_harness->click(1000);
    EXPECT_EQ(m_harness->text(1007), L"2");
    EXPECT_EQ(m_harness->text(1010), L"No frame was captured. The capture file cannot be written.");

    // A stills camera answers before its still is in: what it says is shown, not a failure.
    SpyCaptureWindow::config().singleFrameError.clear();
    SpyCaptureWindow::config().singleFrameStatus = L"Taking a still: the frame counts once it is on disk.";
    m_harness->click(1000);
    EXPECT_EQ(m_harness->text(1007), L"2");
    EXPECT_EQ(m_harness->text(1010), L"Taking a still: the frame counts once it is on disk.");
    // Its ending: a failure's reason stays in Status (and in the dialog's own text, which the
    // next update writes back); a confirmed frame counts and says recording again.
    SpyCaptureWindow::stillEnded(2, L"No frame was captured: the card is full.");
    EXPECT_EQ(m_harness->text(1010), L"No frame was captured: the card is full.");
    SpyCaptureWindow::stillEnded(3, L"");
    EXPECT_EQ(m_harness->text(1007), L"3");
    EXPECT_EQ(m_harness->text(1010), kRecording);

    stop();
    EXPECT_EQ(m_harness->text(1010), L"Recorded 3 Frames. Stoped and saved");
}

TEST_F(RecordingTest, AFailedCloseIsReportedAndACloseWithNothingOpenIsNot) {
    SpyCaptureConfig config = SpyCaptureWindow::defaultConfig();
    config.closeError = L"Cannot save " + capturePath() + L": Input/output error";
    start(config);
    m_harness->click(1000);
    m_harness->click(1000);
    stop();
    EXPECT_EQ(m_harness->text(1010), L"Recorded 2 Frames, but closing the file failed. " + config.closeError);
    EXPECT_EQ(m_harness->text(1007), L"0");
    EXPECT_EQ(m_harness->videoControlsEnabled(), kAllEnabled);

    stop();
    EXPECT_EQ(m_harness->text(1010), L"Recorded 0 Frames. Stoped and saved");
}

// A close whose path will not take the frames keeps them in the open recording: the recording
// goes on as before, and Stop /  Save can be pressed again.
TEST_F(RecordingTest, ACloseThatKeepsTheRecordingLeavesItOpen) {
    SpyCaptureConfig config = SpyCaptureWindow::defaultConfig();
    config.closeError = L"Cannot create folder /home/animator/Videos: Permission denied";
    config.keepOnClose = true;
    start(config);
    m_harness->click(1000);
    m_harness->click(1000);
    stop();
    EXPECT_EQ(m_harness->text(1010), L"Recorded 2 Frames, not saved yet: " + config.closeError +
                                         L" Press Stop /  Save again once the folder is writable.");
    EXPECT_EQ(m_harness->text(1007), L"2");
    EXPECT_EQ(m_harness->videoControlsEnabled(), kAllDisabled);

    m_harness->click(1000);
    EXPECT_EQ(m_harness->text(1007), L"3");
    SpyCaptureWindow::config().keepOnClose = false;
    SpyCaptureWindow::config().closeError.clear();
    stop();
    EXPECT_EQ(m_harness->text(1010), L"Recorded 3 Frames. Stoped and saved");
    EXPECT_EQ(m_harness->videoControlsEnabled(), kAllEnabled);
}

// A deleted capture file written back to its path: the user hears of it at once, while the
// capture window is still copying, and after the press.
TEST_F(RecordingTest, WhatTheCaptureWindowSaysDuringAFrameShowsAtOnceAndAfterThePress) {
    start();
    m_harness->click(1000);
    const std::wstring notice = L"The capture file was written there again.";
    SpyCaptureWindow::config().singleFrameStatus = notice;
    m_harness->click(1000);
    EXPECT_EQ(SpyCaptureWindow::statusShownDuringRequest(), notice);
    EXPECT_EQ(m_harness->text(1010), notice + L" " + kRecording);

    SpyCaptureWindow::config().singleFrameStatus.clear();
    m_harness->click(1000);
    EXPECT_EQ(m_harness->text(1010), kRecording);
}

TEST_F(RecordingTest, FailureWithoutAReasonStillSaysNoFrameWasCaptured) {
    SpyCaptureConfig config = SpyCaptureWindow::defaultConfig();
    config.singleFrameReply = FALSE;
    config.singleFrameError = L"";
    start(config);
    m_harness->click(1000);
    EXPECT_EQ(m_harness->text(1007), L"0");
    EXPECT_EQ(m_harness->text(1010), L"No frame was captured. The capture device is not available.");
}

class ReplaceQuestionTest : public RecordingTest {
protected:
    std::wstring question() const {
        return L"The file " + capturePath() + L" already exists. Replace it with the new recording?";
    }
};

TEST_F(ReplaceQuestionTest, DecliningToReplaceAVideoCapturesNothing) {
    makeFileAtCapturePath();
    start();
    auto before = m_harness->snapshot();

    m_modals.expectMessageBox(question(), MB_OKCANCEL, IDCANCEL);
    m_harness->click(1000);
    // The question only asked the capture window for its file, whether it has a driver, and what
    // a new recording would do to the file.
    EXPECT_EQ(SpyCaptureWindow::messages(),
              (std::vector<UINT>{WM_CAP_FILE_GET_CAPTURE_FILEW, WM_CAP_DRIVER_GET_CAPS, WM_CAP_FILE_GET_REPLACEMENT}));
    before.requests = 3;
    EXPECT_EQ(m_harness->snapshot(), before);
    EXPECT_EQ(m_harness->videoControlsEnabled(), kAllEnabled);
}

TEST_F(ReplaceQuestionTest, WithoutADriverNothingIsAskedAndNothingOpens) {
    makeFileAtCapturePath();
    SpyCaptureConfig config = SpyCaptureWindow::defaultConfig();
    config.connectReply = FALSE;
    m_modals.expectMessageBox(testing_support::kConnectProblem, MB_OK);
    start(config);

    m_harness->click(1000);
    EXPECT_FALSE(SpyCaptureWindow::singleFrameOpen());
    EXPECT_EQ(m_harness->text(1010), L"No frame was captured. No capture device is connected.");
    EXPECT_EQ(m_harness->text(1007), L"0");
    EXPECT_EQ(m_harness->videoControlsEnabled(), kAllEnabled);
}

TEST_F(ReplaceQuestionTest, AFailedOpenBeginsNoRecordingSoTheNextPressAsksAgain) {
    SpyCaptureConfig config = SpyCaptureWindow::defaultConfig();
    config.openReply = FALSE;
    start(config);

    m_harness->click(1000);
    EXPECT_EQ(m_harness->text(1010), L"No frame was captured. " + config.openError);
    EXPECT_EQ(m_harness->text(1007), L"0");
    EXPECT_EQ(m_harness->videoControlsEnabled(), kAllEnabled);

    SpyCaptureWindow::config().openReply = TRUE;
    makeFileAtCapturePath();
    m_modals.expectMessageBox(question(), MB_OKCANCEL, IDOK);
    m_harness->click(1000);
    EXPECT_EQ(m_harness->text(1007), L"1");
    EXPECT_EQ(m_harness->videoControlsEnabled(), kAllDisabled);
}

// A file another recording is writing to is never offered for replacing; one that can only be
// overwritten in place is, with a warning.
TEST_F(ReplaceQuestionTest, TheQuestionTellsWhatReplacingWouldCostOrRefusesThePress) {
    makeFileAtCapturePath();
    start();
    SpyCaptureWindow::config().replacement = CAPFILE_IN_USE;
    m_modals.expectMessageBox(L"The file " + capturePath() +
                                  L" is being recorded by another window. Stop that recording first, or choose another "
                                  L"file with File > Set Capture File.",
                              MB_OK);
    m_harness->click(1000);
    EXPECT_FALSE(SpyCaptureWindow::singleFrameOpen());
    EXPECT_EQ(m_harness->videoControlsEnabled(), kAllEnabled);

    SpyCaptureWindow::config().replacement = CAPFILE_REPLACE_IN_PLACE;
    m_modals.expectMessageBox(question() +
                                  L"\nIts folder takes no new files, so the old video will be overwritten in "
                                  L"place, without a safety copy: should the computer stop while the first "
                                  L"frame is written, it is lost.",
                              MB_OKCANCEL, IDOK);
    m_harness->click(1000);
    EXPECT_TRUE(SpyCaptureWindow::singleFrameOpen());
    stop();

    SpyCaptureWindow::config().replacement = CAPFILE_REPLACE | CAPFILE_HAS_STILLS;
    m_modals.expectMessageBox(
        question() + L"\nIts stills are not removed: they are kept aside in a numbered folder beside it.", MB_OKCANCEL,
        IDOK);
    m_harness->click(1000);
    EXPECT_TRUE(SpyCaptureWindow::singleFrameOpen());
}

TEST_F(ReplaceQuestionTest, ReplacingIsAskedOncePerRecording) {
    makeFileAtCapturePath();
    start();

    m_modals.expectMessageBox(question(), MB_OKCANCEL, IDOK);
    m_harness->click(1000);
    EXPECT_EQ(m_harness->text(1007), L"1");
    m_harness->click(1000);
    EXPECT_EQ(m_harness->text(1007), L"2");
    stop();

    // The next recording would replace the one just saved.
    m_modals.expectMessageBox(question(), MB_OKCANCEL, IDOK);
    m_harness->click(1000);
    EXPECT_EQ(m_harness->text(1007), L"1");
}

}  // namespace
