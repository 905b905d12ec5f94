// The animator's views: what the preview draws (letterboxed, onion skin, the last frame), the
// take played back in the large view, and a preview without a camera saying why.
#include "capture_window.h"
#include "drivers.h"
#include "program_registration.h"
#include "large_view.h"
#include "fake_v4l2_io.h"
#include "live_dialog.h"
#include "scripted_modals.h"

#include "test_resources.h"
#include "vfw.h"
#include "wait_until.h"

#include <QEventLoop>
#include <QLabel>
#include <QShortcut>
#include <QTimer>

#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

INT_PTR CALLBACK NoProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

using testing_support::WaitUntil;

std::shared_ptr<const media::Frame> Solid(int width, int height, QRgb colour) {
    auto frame = std::make_shared<media::Frame>();
    frame->width = width;
    frame->height = height;
    for (int i = 0; i < width * height; ++i) {
        frame->data.insert(frame->data.end(), {uint8_t(qRed(colour)), uint8_t(qGreen(colour)), uint8_t(qBlue(colour))});
    }
    return frame;
}

bool Near(QRgb seen, QRgb expected) {
    return std::abs(qRed(seen) - qRed(expected)) <= 2 && std::abs(qGreen(seen) - qGreen(expected)) <= 2 &&
           std::abs(qBlue(seen) - qBlue(expected)) <= 2;
}

TEST(PreviewWidgetTest, LetterboxesTheLivePictureAndDrawsTheOnionSkinAndTheLastFrameOverIt) {
    avicap32::PreviewWidget preview(nullptr);
    preview.resize(300, 100);
    preview.setScale(true);
    preview.setRate(10);
    preview.setPreviewing(true);
    const QRgb red = qRgb(220, 30, 40), blue = qRgb(0, 0, 240), black = qRgb(0, 0, 0);
    auto pictureAt = [&](QPoint at, QRgb expected) {
        return WaitUntil([&] {
            preview.offerFrame(Solid(160, 120, red));
            const QImage shown = preview.shownPicture();
            return shown.size() == QSize(300, 100) && Near(shown.pixel(at), expected);
        });
    };
    // 4:3 in a 3:1 window: 133 pixels wide in the middle, black bars left and right.
    EXPECT_TRUE(pictureAt({150, 50}, red));
    EXPECT_EQ(preview.shownPicture().pixel(82, 50), black);
    EXPECT_EQ(preview.shownPicture().pixel(217, 50), black);
    EXPECT_TRUE(Near(preview.shownPicture().pixel(84, 99), red));

    avicap32::ViewOverlay overlay;
    overlay.recent = {Solid(160, 120, blue), Solid(160, 120, black)};
    overlay.onionFrames = 1;
    overlay.opacityPercent = 50;
    preview.setOverlay(overlay);
    EXPECT_TRUE(pictureAt({150, 50}, qRgb(110, 15, 140))) << "half the newest recorded frame";
    EXPECT_EQ(preview.shownPicture().pixel(10, 50), black) << "the bars stay black";

    overlay.showLastFrame = true;
    preview.setOverlay(overlay);
    EXPECT_TRUE(pictureAt({150, 50}, blue)) << "the last frame instead of the live picture";
}

// Guides are drawn over the picture where it is shown, in its own proportions: a 4:3 picture in a
// 3:1 window has its middle at the window's, and a 2.39:1 mask darkens its top and bottom only.
TEST(PreviewWidgetTest, DrawsTheGuidesOverThePictureWhereItIsShown) {
    avicap32::PreviewWidget preview(nullptr);
    preview.resize(300, 100);
    preview.setScale(true);
    preview.setRate(10);
    preview.setPreviewing(true);
    const QRgb red = qRgb(220, 30, 40), black = qRgb(0, 0, 0);
    struct Case {
        media::GuideSet guides;
        QPoint at;
        bool lighter;  // than the picture there; else darker
    };
    const Case cases[] = {
        {{.centreCross = true}, {150, 50}, true},
        {{.thirds = true}, {84 + 133 / 3, 70}, true},
        {{.mask239 = true}, {150, 5}, false},
    };
    for (const Case& c : cases) {
        avicap32::ViewOverlay overlay;
        overlay.guides = c.guides;
        preview.setOverlay(overlay);
        EXPECT_TRUE(WaitUntil([&] {
            preview.offerFrame(Solid(160, 120, red));
            // A line one pixel wide may fall between two pixels: the brightest nearby counts.
            const QImage shown = preview.shownPicture();
            if (shown.size() != QSize(300, 100)) return false;
            int green = 0;
            for (int dx = -2; dx <= 2; ++dx) green = std::max(green, qGreen(shown.pixel(c.at + QPoint(dx, 0))));
            return c.lighter ? green > 60 : qRed(shown.pixel(c.at)) < 150;
        })) << c.at.x()
            << "," << c.at.y();
        EXPECT_TRUE(Near(preview.shownPicture().pixel(150, 30), red)) << "the rest of the picture as it is";
        EXPECT_EQ(preview.shownPicture().pixel(10, 50), black) << "nothing on the bars";
    }
}

// The capture window with the test scene, recording to a scratch folder.
class AnimatorViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        avicap32::SetCaptureDeviceVariable("PLATFORM_TEST_CAPTURE_DEVICE");
        setenv("PLATFORM_TEST_CAPTURE_DEVICE", "test:320x240", 1);
        m_folder = fs::temp_directory_path() / ("kinoree-view-" + std::to_string(::getpid()));
        fs::create_directories(m_folder);
        m_parent = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_TWO_DEFAULTS), nullptr, &NoProc, 0);
        m_window = capCreateCaptureWindowW(L"Video Window", WS_CHILD | WS_VISIBLE, 0, 0, 270, 220, m_parent, 0);
        ASSERT_TRUE(IsWindow(m_window));
    }
    void TearDown() override {
        // What a test set is remembered: the next test starts from the defaults again.
        if (IsWindow(m_window)) view().setSettings({});
        if (IsWindow(m_parent)) DestroyWindow(m_parent);
        fs::remove_all(m_folder);
    }
    LRESULT send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendMessageW(m_window, message, wParam, lParam);
    }
    avicap32::CaptureWindow& window() { return *static_cast<avicap32::CaptureWindow*>(user32::FromHandle(m_window)); }
    avicap32::AnimatorView& view() { return window().view(); }
    void record(const fs::path& file, int frames) {
        const std::wstring wide = file.wstring();
        send(WM_CAP_FILE_SET_CAPTURE_FILEW, 0, reinterpret_cast<LPARAM>(wide.c_str()));
        for (int i = 0; i < frames; ++i) {
            ASSERT_TRUE(send(WM_CAP_SINGLE_FRAME_OPEN));
            ASSERT_TRUE(send(WM_CAP_SINGLE_FRAME));
        }
    }
    // What the large view says from the first frame played, each text once, until it is live
    // again.
    std::vector<QString> playedStatuses() {
        QLabel* status = view().largeView()->findChildren<QLabel*>().back();
        std::vector<QString> seen;
        WaitUntil([&] {
            const QString text = status->text();
            if (seen.empty() ? text.startsWith("Playing") : seen.back() != text) seen.push_back(text);
            return !view().largeView()->picture()->playing();
        });
        return seen;
    }

    fs::path m_folder;
    HWND m_parent = nullptr;
    HWND m_window = nullptr;
};

TEST_F(AnimatorViewTest, PlaysTheTakeSoFarInOrderWithoutDisturbingCaptures) {
    QString why;
    EXPECT_FALSE(view().play(why));
    EXPECT_EQ(why, "Nothing has been recorded yet.");

    ASSERT_TRUE(send(WM_CAP_DRIVER_CONNECT, 0));
    CAPTUREPARMS parms{};
    send(WM_CAP_GET_SEQUENCE_SETUP, sizeof parms, reinterpret_cast<LPARAM>(&parms));
    parms.dwRequestMicroSecPerFrame = 100000;
    send(WM_CAP_SET_SEQUENCE_SETUP, sizeof parms, reinterpret_cast<LPARAM>(&parms));
    record(m_folder / "first.avi", 3);
    ASSERT_TRUE(view().play(why)) << why.toStdString();
    ASSERT_NE(view().largeView(), nullptr);
    EXPECT_TRUE(view().largeView()->isVisible());
    EXPECT_EQ(playedStatuses(),
              (std::vector<QString>{"Playing frame 1 of 3", "Playing frame 2 of 3", "Playing frame 3 of 3", "Live"}));

    // Looping, the take keeps playing while frames are captured; they join the next playing.
    avicap32::DisplaySettings settings = view().settings();
    settings.loop = true;
    view().setSettings(settings);
    ASSERT_TRUE(view().play(why));
    ASSERT_TRUE(send(WM_CAP_SINGLE_FRAME));
    QLabel* status = view().largeView()->findChildren<QLabel*>().back();
    bool sawLast = false;
    EXPECT_TRUE(WaitUntil([&] {
        sawLast = sawLast || status->text() == "Playing frame 3 of 3";
        return sawLast && status->text() == "Playing frame 1 of 3";
    })) << "past its end and on from its start";
    EXPECT_TRUE(view().largeView()->picture()->playing());
    view().stopPlaying();
    ASSERT_TRUE(send(WM_CAP_SINGLE_FRAME_CLOSE));
    settings.loop = false;
    view().setSettings(settings);
    ASSERT_TRUE(view().play(why)) << "after Stop / Save, the finished recording";
    EXPECT_EQ(playedStatuses().size(), 5u);

    // The onion skin keeps the last recording's frames until the new one has its first.
    EXPECT_EQ(view().recordedFrames().size(), 4u);
    const fs::path second = m_folder / "second.avi";
    const std::wstring wide = second.wstring();
    send(WM_CAP_FILE_SET_CAPTURE_FILEW, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    ASSERT_TRUE(send(WM_CAP_SINGLE_FRAME_OPEN));
    EXPECT_EQ(view().recordedFrames().size(), 4u);
    ASSERT_TRUE(send(WM_CAP_SINGLE_FRAME));
    EXPECT_EQ(view().recordedFrames().size(), 1u);
    send(WM_CAP_SINGLE_FRAME_CLOSE);
}

TEST_F(AnimatorViewTest, VideoDisplaySetsUpTheViewsAtOnceCancelPutsThemBackAndOkKeepsThem) {
    using testing_support::LiveDialog;
    testing_support::ScriptedModals modals;
    ASSERT_TRUE(send(WM_CAP_DRIVER_CONNECT, 0));
    auto setUp = [this](const char* button) {
        return [this, button](LiveDialog& dialog) {
            dialog.choose("Frames shown", "Last 3 frames");
            dialog.setValue("Opacity", 70);
            dialog.check("Mirror the picture (the video is not mirrored)");
            dialog.check("Show the large view");
            dialog.check("Loop when playing the take");
            EXPECT_EQ(view().settings().onionFrames, 3) << "the views follow the dialog at once";
            ASSERT_NE(view().largeView(), nullptr);
            EXPECT_TRUE(view().largeView()->isVisible());
            dialog.press(button);
        };
    };
    modals.expectLiveDialog(L"Video Display", setUp("Cancel"));
    modals.expectLiveDialog(L"Video Display", setUp("OK"));
    EXPECT_TRUE(send(WM_CAP_DLG_VIDEODISPLAY));
    EXPECT_EQ(view().settings(), avicap32::DisplaySettings{});
    EXPECT_FALSE(view().largeView()->isVisible());
    EXPECT_TRUE(send(WM_CAP_DLG_VIDEODISPLAY));
    const avicap32::DisplaySettings chosen{3, 70, true, true, true};
    EXPECT_EQ(view().settings(), chosen);
    modals.verify();

    // The next run's capture window starts with them once the device connects, its large view
    // open again; they are the device's own.
    HWND next = capCreateCaptureWindowW(L"Video Window", WS_CHILD | WS_VISIBLE, 0, 0, 270, 220, m_parent, 0);
    auto& nextView = static_cast<avicap32::CaptureWindow*>(user32::FromHandle(next))->view();
    EXPECT_EQ(nextView.settings().onionFrames, 0) << "no device yet";
    ASSERT_TRUE(SendMessageW(next, WM_CAP_DRIVER_CONNECT, 0, 0));
    EXPECT_EQ(nextView.settings().onionFrames, 3);
    EXPECT_TRUE(WaitUntil([&] { return nextView.settings() == chosen && nextView.largeView(); }));
    DestroyWindow(next);
}

TEST_F(AnimatorViewTest, WithoutACameraThePreviewSaysWhyAndWhereToChooseOne) {
    auto io = std::make_shared<media::testing::FakeV4l2Io>();
    avicap32::SetCameraIoForTesting(io);
    struct Case {
        const char* choice;  // the device variable, or none
        std::string reason;
    } cases[] = {
        {nullptr, "No video capture device was found."},
        {"/dev/video7", "permission denied"},
    };
    io->add("/dev/video7").openErrno = EACCES;
    window().settings().setLastDevice({});  // nothing remembered to fall back on
    for (const Case& c : cases) {
        if (c.choice) {
            setenv("PLATFORM_TEST_CAPTURE_DEVICE", c.choice, 1);
        } else {
            unsetenv("PLATFORM_TEST_CAPTURE_DEVICE");
        }
        EXPECT_FALSE(send(WM_CAP_DRIVER_CONNECT, 0));
        const std::string message = window().preview()->message().toStdString();
        EXPECT_NE(message.find(c.reason), std::string::npos) << message;
        EXPECT_NE(message.find("press Source"), std::string::npos) << message;
    }
    avicap32::SetCameraIoForTesting(nullptr);
    setenv("PLATFORM_TEST_CAPTURE_DEVICE", "test:320x240", 1);
    ASSERT_TRUE(send(WM_CAP_DRIVER_CONNECT, 0));
    EXPECT_TRUE(window().preview()->message().isEmpty());
}

}  // namespace

namespace {

// Presses one of the large view's keys as its shortcut does.
void Press(avicap32::LargeView& large, const QKeySequence& key) {
    for (QShortcut* shortcut : large.findChildren<QShortcut*>()) {
        if (shortcut->key() == key) {
            emit shortcut->activated();
            return;
        }
    }
    ADD_FAILURE() << "no key " << key.toString().toStdString();
}

}  // namespace

// The editing keys, each with what the large view then says and the frames the take holds.
TEST_F(AnimatorViewTest, TheLargeViewsKeysStepThroughAndEditTheTake) {
    ASSERT_TRUE(send(WM_CAP_DRIVER_CONNECT, 0));
    record(m_folder / "take.avi", 3);
    view().raiseLargeView();
    avicap32::LargeView& large = *view().largeView();
    QLabel* status = large.findChildren<QLabel*>().back();
    struct Step {
        QKeySequence key;
        const char* says;
        size_t frames;
    };
    const Step steps[] = {
        {Qt::Key_Left, "Frame 3 of 3", 3},
        {Qt::Key_Left, "Frame 2 of 3", 3},
        {Qt::Key_Home, "Frame 1 of 3", 3},
        {Qt::Key_Left, "Frame 1 of 3", 3},  // nothing before the first
        {Qt::Key_Right, "Frame 2 of 3", 3},
        {Qt::Key_I, "Live: the next shot goes after frame 2 of 3", 3},
        {Qt::Key_Backspace, "Live: the next shot goes after frame 1 of 2", 2},
        {QKeySequence(Qt::CTRL | Qt::Key_Z), "Live: the next shot goes after frame 2 of 3", 3},
        {Qt::Key_End, "Live", 3},
        {Qt::Key_Right, "Live", 3},
        {Qt::Key_Left, "Frame 3 of 3", 3},
        {Qt::Key_Delete, "Frame 2 of 2", 2},  // the next one back is shown, for another Delete
        {Qt::Key_Delete, "Frame 1 of 1", 1},
        {Qt::Key_Delete, "The only frame of the take cannot be deleted: shoot its replacement first.", 1},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.key.toString().toStdString() + " " + step.says);
        Press(large, step.key);
        EXPECT_EQ(status->text(), step.says);
        EXPECT_EQ(window().frameCount(), step.frames);
    }
    ASSERT_TRUE(send(WM_CAP_SINGLE_FRAME_CLOSE));
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Left), QKeySequence(Qt::Key_Backspace)}) {
        Press(large, key);
        EXPECT_EQ(status->text(), "No take is open");
    }
}
