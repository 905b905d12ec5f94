// The tests of the main dialog's capture commands: scripted dialogs, then the dialog over a spy
// capture window whose capture file lies in a folder of the test's own.
#pragma once

#include "capture_requests.h"
#include "main_dialog_harness.h"
#include "scripted_modals.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

class CaptureTest : public ::testing::Test {
protected:
    CaptureTest() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_folder = std::filesystem::path(::testing::TempDir()) /
                   (std::string("kinoree-") + info->test_suite_name() + "-" + info->name());
        std::filesystem::remove_all(m_folder);
        std::filesystem::create_directories(m_folder);
    }
    ~CaptureTest() override {
        m_harness.reset();
        std::filesystem::remove_all(m_folder);
    }

    // Makes the dialog; the spy writes to the test's own capture path unless told otherwise.
    void start(testing_support::SpyCaptureConfig config = testing_support::SpyCaptureWindow::defaultConfig()) {
        if (config.captureFile == testing_support::SpyCaptureWindow::defaultConfig().captureFile) {
            config.captureFile = capturePath();
        }
        m_harness.reset();
        m_harness = std::make_unique<testing_support::MainDialogHarness>(config);
    }

    std::wstring capturePath() const { return (m_folder / "Capture.avi").wstring(); }
    std::filesystem::path folder() const { return m_folder; }
    void makeFileAtCapturePath() const { std::ofstream(m_folder / "Capture.avi") << "a saved video"; }

    // Declared first, so that it outlives the dialog and checks the script last.
    testing_support::ScriptedModals m_modals;
    std::unique_ptr<testing_support::MainDialogHarness> m_harness;

private:
    std::filesystem::path m_folder;
};
