// The Video Controls: the preview button and the four driver dialogs.
#include "capture_fixture.h"

namespace {

using namespace testing_support;

using PreviewTest = CaptureTest;

TEST_F(PreviewTest, FirstPressKeepsThePreviewOnThenPressesAlternate) {
    start();
    EXPECT_EQ(m_harness->text(1002), L"Preview --");
    EXPECT_TRUE(SpyCaptureWindow::previewing());

    const std::vector<std::pair<std::wstring, bool>> expected{
        {L"Preview ON", true}, {L"Preview OFF", false}, {L"Preview ON", true}};
    for (const auto& [text, previewing] : expected) {
        SpyCaptureWindow::requests().clear();
        m_harness->click(1002);
        EXPECT_EQ(m_harness->text(1002), text);
        ASSERT_EQ(SpyCaptureWindow::messages(), std::vector<UINT>{WM_CAP_SET_PREVIEW});
        EXPECT_EQ(SpyCaptureWindow::requests()[0].wParam, static_cast<WPARAM>(previewing));
        EXPECT_EQ(SpyCaptureWindow::previewing(), previewing);
    }
}

using DriverDialogTest = CaptureTest;

TEST_F(DriverDialogTest, EachButtonAsksForItsOwnDialog) {
    start();
    const std::vector<std::pair<int, UINT>> buttons{{1003, WM_CAP_DLG_VIDEOSOURCE},
                                                    {1004, WM_CAP_DLG_VIDEOFORMAT},
                                                    {1005, WM_CAP_DLG_VIDEOCOMPRESSION},
                                                    {1006, WM_CAP_DLG_VIDEODISPLAY}};
    for (const auto& [id, request] : buttons) {
        SpyCaptureWindow::requests().clear();
        m_harness->click(id);
        ASSERT_EQ(SpyCaptureWindow::messages(), std::vector<UINT>{request}) << id;
        EXPECT_EQ(SpyCaptureWindow::requests()[0].wParam, 0u);
        EXPECT_EQ(SpyCaptureWindow::requests()[0].lParam, 0);
    }
}

}  // namespace
