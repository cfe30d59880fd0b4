#include "commands/user_actions_source.hpp"

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace tavlets {
namespace {

namespace fs = std::filesystem;
using File = UserActionsState::File;

class UserActionsSourceTest : public testing::Test {
protected:
    void write(const std::string& content, mode_t mode = 0644) {
        { std::ofstream(path, std::ios::trunc) << content; }
        chmod(path.c_str(), mode);
    }

    UserActionsSource source() {
        return UserActionsSource(path, nullptr, [this](const std::string& line) { reported.push_back(line); });
    }

    QTemporaryDir dir;
    std::string path = dir.filePath(QStringLiteral("actions.toml")).toStdString();
    std::vector<std::string> reported;
};

const char* const kTwo = "[[action]]\ntitle = \"Sort lines\"\nrun = [\"sort\"]\n"
                         "[[action]]\ntitle = \"Keys\"\nwhen = [\"json\"]\nrun = [\"jq\", \"keys\"]\n";

TEST_F(UserActionsSourceTest, ReadsOnlyWhenTheFileChanged) {
    UserActionsSource s = source();
    EXPECT_TRUE(s.refresh());  // the first look, with no file
    EXPECT_EQ(s.state()->file, File::missing);
    EXPECT_FALSE(s.refresh());

    for (const std::string& content : {std::string(kTwo), kTwo + std::string("[[action]]\ntitle = \"M\"\nrun = [\"x\"]\n")}) {
        write(content);
        EXPECT_TRUE(s.refresh());
        EXPECT_EQ(s.state()->file, File::loaded);
        EXPECT_EQ(s.state()->actions.size(), content == kTwo ? 2u : 3u);
        EXPECT_FALSE(s.refresh());
    }

    fs::remove(path);
    EXPECT_TRUE(s.refresh());
    EXPECT_EQ(s.state()->file, File::missing);
    EXPECT_TRUE(s.state()->actions.empty());
    EXPECT_TRUE(reported.empty());
}

TEST_F(UserActionsSourceTest, AFileOthersMayWriteIsIgnoredWithItsReasonUntilFixed) {
    write(kTwo, 0664);
    UserActionsSource s = source();
    s.refresh();
    EXPECT_EQ(s.state()->file, File::ignored);
    EXPECT_TRUE(s.state()->actions.empty());
    ASSERT_EQ(s.state()->problems.size(), 1u);
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0], path + ": " + s.state()->problems[0].message);

    chmod(path.c_str(), 0600);  // only the change time moves
    EXPECT_TRUE(s.refresh());
    EXPECT_EQ(s.state()->file, File::loaded);
    EXPECT_EQ(s.state()->actions.size(), 2u);

    fs::remove(path);
    fs::create_directory(path);
    s.refresh();
    EXPECT_EQ(s.state()->file, File::ignored);
}

TEST_F(UserActionsSourceTest, EachProblemIsReportedOnceWithItsPlace) {
    write("[[action]]\ntitle = 3\nrun = [\"a\"]\n");
    UserActionsSource s = source();
    s.refresh();
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_THAT(reported[0], testing::StartsWith(path + ":2:9: "));
    // Rewritten with the same mistake and a new one: only the new one is reported.
    write("[[action]]\ntitle = 3\nrun = [\"a\"]\n[[action]]\ntitle = \"T\"\n");
    s.refresh();
    ASSERT_EQ(reported.size(), 2u);
    EXPECT_THAT(reported[1], testing::StartsWith(path + ":4:1: "));
}

TEST(UserActionsPath, FollowsXdgConfigHome) {
    const QByteArray old = qgetenv("XDG_CONFIG_HOME");
    setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(UserActionsSource::defaultPath(), "/cfg/tavlets/actions.toml");
    setenv("XDG_CONFIG_HOME", "relative", 1);  // not absolute: ignored
    EXPECT_THAT(UserActionsSource::defaultPath(), testing::EndsWith("/.config/tavlets/actions.toml"));
    qputenv("XDG_CONFIG_HOME", old);
}

}  // namespace
}  // namespace tavlets
