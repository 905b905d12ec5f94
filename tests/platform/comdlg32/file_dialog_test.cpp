// Where the file dialog opens.
#include "commdlg.h"
#include "scripted_modals.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>
#include <cwchar>
#include <iterator>

namespace {

using testing_support::ScriptedModals;

// Runs the save dialog, as given `file`, with the user's `answer`; returns where it opened.
std::wstring OpenedIn(ScriptedModals& modals, user32::FileDialogAnswer answer, const wchar_t* file = L"") {
    WCHAR buffer[260];
    std::wcsncpy(buffer, file, std::size(buffer));
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.lpstrFile = buffer;
    ofn.nMaxFile = std::size(buffer);
    std::wstring folder;
    modals.expectFileDialog(answer, [&](const user32::FileDialogCall& call) { folder = call.initialFolder; });
    GetSaveFileNameW(&ofn);
    return folder;
}

TEST(FileDialogTest, OpensInTheVideosFolderThenWhereTheLastFileWasChosen) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    // The desktop names the Videos folder; it is not always ~/Videos.
    QDir(home.path()).mkpath(QStringLiteral(".config"));
    QDir(home.path()).mkpath(QStringLiteral("Films"));
    QDir(home.path()).mkpath(QStringLiteral("takes"));
    QFile dirs(home.filePath(QStringLiteral(".config/user-dirs.dirs")));
    ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
    dirs.write("XDG_VIDEOS_DIR=\"$HOME/Films\"\n");
    dirs.close();
    setenv("HOME", home.path().toLocal8Bit().constData(), 1);
    setenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral(".config")).toLocal8Bit().constData(), 1);
    const std::wstring films = home.filePath(QStringLiteral("Films")).toStdWString();
    const std::wstring takes = home.filePath(QStringLiteral("takes")).toStdWString();

    ScriptedModals modals;
    EXPECT_EQ(OpenedIn(modals, {false, L""}), films);
    EXPECT_EQ(OpenedIn(modals, {true, takes + L"/one.avi"}), films) << "a cancelled dialog chose no folder";
    EXPECT_EQ(OpenedIn(modals, {false, L""}), takes);
    EXPECT_EQ(OpenedIn(modals, {false, L""}, L"/srv/clips/two.avi"), L"/srv/clips")
        << "a named file's folder comes first";
    modals.verify();
}

}  // namespace
