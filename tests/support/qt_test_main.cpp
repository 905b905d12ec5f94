// The main of tests that make windows: a QApplication for the whole run.
#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    // Tests never need a display, including when CTest lists them.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // What the capture window remembers must neither reach the user's own settings nor carry
    // over from one test to the next: each run gets a configuration folder of its own.
    std::string config = (std::filesystem::temp_directory_path() / "kinoree-config-XXXXXX").string();
    if (!mkdtemp(config.data())) return 1;
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    int result = 0;
    {
        QApplication application(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    std::error_code ignored;
    std::filesystem::remove_all(config, ignored);
    return result;
}
