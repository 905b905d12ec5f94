// The capture set-up as the capture window sees it: which requests, in which order, with
// which records, and what the program tells the user when no device can be reached.
#include "capture_setup.h"
#include "capture_requests.h"
#include "scripted_modals.h"
#include "spy_capture_window.h"

#include "afxwin.h"
#include "commctrl.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <cstring>

using testing_support::CaptureRequest;
using testing_support::kConnectProblem;
using testing_support::ScriptedModals;
using testing_support::SpyCaptureWindow;

namespace {

// A dialog to be the capture window's parent: the set-up needs nothing else of it.
class ParentDialog : public CDialog {
public:
    ParentDialog() : CDialog(IDD_ABOUTBOX) {}
};

class CaptureSetupTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_hWndCap = nullptr;
        std::memset(&g_capDriverCaps, 0, sizeof g_capDriverCaps);
        std::memset(&g_captureParms, 0, sizeof g_captureParms);
        g_nDeviceIndex = 0;
        SpyCaptureWindow::reset();
        ASSERT_TRUE(m_parent.Create(IDD_ABOUTBOX));
    }

    ScriptedModals m_modals;
    ParentDialog m_parent;
};

TEST_F(CaptureSetupTest, SendsItsRequestsInOrderWithFullSizedRecords) {
    ASSERT_TRUE(SetupCaptureWindow(&m_parent));
    const auto& requests = SpyCaptureWindow::requests();
    std::vector<UINT> expected = {WM_CAP_SET_CALLBACK_ERRORW, WM_CAP_SET_CALLBACK_STATUSW, WM_CAP_DRIVER_GET_CAPS,
                                  WM_CAP_DRIVER_CONNECT,      WM_CAP_GET_SEQUENCE_SETUP,   WM_CAP_SET_SEQUENCE_SETUP,
                                  WM_CAP_SET_PREVIEW,         WM_CAP_SET_PREVIEWRATE,      WM_CAP_SET_SCALE};
    ASSERT_EQ(SpyCaptureWindow::messages(), expected);
    EXPECT_EQ(GetParent(SpyCaptureWindow::handle()), m_parent.m_hWnd);

    EXPECT_EQ(requests[2].wParam, 44u);
    EXPECT_EQ(requests[2].lParam, reinterpret_cast<LPARAM>(&g_capDriverCaps));
    // Asked before any connect, the capabilities stay zero: driver 0 is connected.
    EXPECT_EQ(requests[3].wParam, 0u);
    EXPECT_EQ(requests[3].lParam, 0);
    for (int i : {4, 5}) {
        EXPECT_EQ(requests[i].wParam, 96u);
        EXPECT_EQ(requests[i].lParam, reinterpret_cast<LPARAM>(&g_captureParms));
    }
    EXPECT_EQ(requests[6].wParam, static_cast<WPARAM>(TRUE));
    EXPECT_EQ(requests[7].wParam, 100u);
    EXPECT_EQ(requests[8].wParam, static_cast<WPARAM>(TRUE));
    EXPECT_TRUE(m_modals.messageBoxes().empty());
}

TEST_F(CaptureSetupTest, WritesTheFiveDefaultsAndKeepsTheWindowsOtherParameters) {
    CAPTUREPARMS reported = SpyCaptureWindow::config().parms;
    SetupCaptureWindow(&m_parent);
    CAPTUREPARMS sent;
    const CaptureRequest& set = SpyCaptureWindow::requests()[5];
    ASSERT_EQ(set.record.size(), sizeof sent);
    std::memcpy(&sent, set.record.data(), sizeof sent);

    EXPECT_EQ(sent.dwRequestMicroSecPerFrame, 66667u);
    EXPECT_EQ(sent.fYield, FALSE);
    EXPECT_EQ(sent.fCaptureAudio, FALSE);
    EXPECT_EQ(sent.wStepCaptureAverageFrames, 5u);
    EXPECT_EQ(sent.wChunkGranularity, 0u);

    CAPTUREPARMS othersExpected = reported;
    othersExpected.dwRequestMicroSecPerFrame = 66667;
    othersExpected.fYield = FALSE;
    othersExpected.fCaptureAudio = FALSE;
    othersExpected.wStepCaptureAverageFrames = 5;
    othersExpected.wChunkGranularity = 0;
    EXPECT_EQ(std::memcmp(&sent, &othersExpected, sizeof sent), 0);
    EXPECT_EQ(std::memcmp(&g_captureParms, &othersExpected, sizeof sent), 0);
}

TEST_F(CaptureSetupTest, AFailedConnectIsToldOnceAndTheSetUpGoesOn) {
    SpyCaptureWindow::config().connectReply = FALSE;
    m_modals.expectMessageBox(kConnectProblem, MB_OK);
    SetupCaptureWindow(&m_parent);
    EXPECT_EQ(SpyCaptureWindow::messages().size(), 9u);
    EXPECT_EQ(SpyCaptureWindow::messages().back(), static_cast<UINT>(WM_CAP_SET_SCALE));
}

TEST_F(CaptureSetupTest, WithoutACaptureWindowNothingIsSentAndTheUserIsToldOnce) {
    SpyCaptureWindow::config().createFails = true;
    m_modals.expectMessageBox(kConnectProblem, MB_OK);
    SetupCaptureWindow(&m_parent);
    EXPECT_TRUE(SpyCaptureWindow::requests().empty());
    EXPECT_FALSE(IsWindow(g_hWndCap));
    EXPECT_EQ(SendCap(WM_CAP_DRIVER_CONNECT, 0, 0), 0);
    // The interval is still written into the process's record.
    SetFrameInterval(142857);
    EXPECT_EQ(g_captureParms.dwRequestMicroSecPerFrame, 142857u);
    EXPECT_EQ(g_captureParms.fYield, FALSE);
}

TEST_F(CaptureSetupTest, FrameIntervalIsReadModifiedAndWrittenBack) {
    SetupCaptureWindow(&m_parent);
    SpyCaptureWindow::requests().clear();
    SetFrameInterval(16666);
    ASSERT_EQ(SpyCaptureWindow::messages(), (std::vector<UINT>{WM_CAP_GET_SEQUENCE_SETUP, WM_CAP_SET_SEQUENCE_SETUP}));
    CAPTUREPARMS sent;
    std::memcpy(&sent, SpyCaptureWindow::requests()[1].record.data(), sizeof sent);
    EXPECT_EQ(sent.dwRequestMicroSecPerFrame, 16666u);
    EXPECT_EQ(sent.wStepCaptureAverageFrames, 5u);
}

TEST_F(CaptureSetupTest, ADestroyedCaptureWindowTurnsEveryRequestIntoNothing) {
    SetupCaptureWindow(&m_parent);
    DestroyWindow(m_parent.m_hWnd);
    EXPECT_FALSE(IsWindow(g_hWndCap));
    size_t before = SpyCaptureWindow::requests().size();
    EXPECT_EQ(SendCap(WM_CAP_SINGLE_FRAME, 0, 0), 0);
    EXPECT_EQ(SpyCaptureWindow::requests().size(), before);
}

}  // namespace
