#include "shell/settings_window.hpp"
#include "shell/user_actions_list.hpp"
#include "shell/shell_test_util.hpp"

#include <QApplication>
#include <QLayout>

#include <fstream>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace tavlets {
namespace {

using namespace tavlets::testing;

// Items and placed problems are checked on the settings page below.
TEST(UserActionsList, AProblemWithoutAPlaceAndAnIgnoredFileAreSaidPlainly) {
    UserActionsState state;
    state.path = "/etc/x/actions.toml";
    state.file = UserActionsState::File::ignored;
    state.problems = {{0, 0, "Whole file."}};
    EXPECT_EQ(UserActionsList::problemLines(state), QStringList{QStringLiteral("Whole file.")});
    EXPECT_EQ(UserActionsList::summaryText(state), QStringLiteral("Your own actions in /etc/x/actions.toml are not used."));
}

TEST(UserActionsList, TheSettingsPageShowsTheFileAsItIsWhenOpened) {
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("actions.toml")).toStdString();
    auto source = std::make_shared<UserActionsSource>(path, nullptr, [](const std::string&) {});

    SettingsWindow window({HotKeyStatus::registered, QStringLiteral("Alt+Space"), {}}, nullptr, source);
    auto* list = window.findChild<UserActionsList*>();
    window.show();
    QApplication::processEvents();
    EXPECT_TRUE(labelText(*list, "userActions").startsWith(QStringLiteral("Add your own actions")));
    const int before = window.height();

    { std::ofstream(path) << "[[action]]\ntitle = \"Sort lines\"\nrun = [\"sort\", \"-u\"]\n"
                             "[[action]]\ntitle = \"Broken\"\nrun = []\n"
                             "[[action]]\ntitle = \"Shout\"\nrun = [\"tr\", \"a-z\", \"A-Z\"]\n"; }
    chmod(path.c_str(), 0600);
    window.hide();
    window.show();
    QApplication::processEvents();
    EXPECT_EQ(labelText(*list, "userActionItems"),
              QStringLiteral("\u2022 Sort lines \u2014 sort -u\n\u2022 Shout \u2014 tr a-z A-Z"));
    EXPECT_TRUE(labelText(*list, "userActionProblems").startsWith(QStringLiteral("Line 6, column 7: \u201Crun\u201D is empty")));
    EXPECT_TRUE(labelText(*list, "userActions").contains(QStringLiteral("actions.toml")));
    EXPECT_GT(window.height(), before);
    expectEveryTextWhole(window);
}

}  // namespace
}  // namespace tavlets
