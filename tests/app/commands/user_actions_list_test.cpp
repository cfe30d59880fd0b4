#include "shell/settings_window.hpp"
#include "shell/user_actions_list.hpp"
#include "panel/symbols.hpp"
#include "shell/shell_test_util.hpp"

#include <QApplication>
#include <QLayout>

#include <fstream>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace tavlets {
namespace {

using namespace tavlets::testing;

TEST(UserActionsList, ListsTheLoadedActionsAndEveryProblemWithItsPlace) {
    UserActionsState state;
    state.path = "/etc/x/actions.toml";
    state.file = UserActionsState::File::loaded;
    state.actions = parseUserActions("[[action]]\ntitle = \"Sort lines\"\nrun = [\"sort\", \"-u\"]\n").actions;
    state.problems = {{4, 9, "\u201Ctitle\u201D must be a text in quotes, not a number."}, {0, 0, "Whole file."}};
    EXPECT_EQ(UserActionsList::actionLines(state), QStringList{QStringLiteral("\u2022 Sort lines \u2014 sort -u")});
    EXPECT_EQ(UserActionsList::problemLines(state),
              (QStringList{QStringLiteral("Line 4, column 9: \u201Ctitle\u201D must be a text in quotes, not a number."),
                           QStringLiteral("Whole file.")}));
    EXPECT_TRUE(UserActionsList::summaryText(state).contains(QStringLiteral("/etc/x/actions.toml")));
    state.file = UserActionsState::File::ignored;
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
    EXPECT_GT(window.height(), before);
    expectEveryTextWhole(window);
}

// A user action may name any symbol or none; the pill then gets a generic icon, never a blank.
TEST(UserActionsList, UnknownOrAbsentSymbolsDrawAGenericIcon) {
    const auto painted = [](const QString& name) {
        const QImage image = symbolPixmap(name, Qt::black, 16).toImage();
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) count += qAlpha(image.pixel(x, y)) > 0;
        return count;
    };
    EXPECT_TRUE(hasSymbol(QStringLiteral("arrow.up.arrow.down")));
    EXPECT_GT(painted(QString()), 20);
    EXPECT_EQ(painted(QString()), painted(QStringLiteral("no.such.symbol")));
}

}  // namespace
}  // namespace tavlets
