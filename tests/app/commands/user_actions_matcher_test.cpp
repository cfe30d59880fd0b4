// The user's actions are matched away from the panel: catastrophic patterns on a huge text leave
// it answering, and what matches in time joins the list without moving the selection.
#include "commands/user_actions_source.hpp"

#include <QTemporaryDir>

#include <fstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "panel/panel_fixture.hpp"

namespace tavlets {
namespace {

TEST(UserActionsMatcher, CatastrophicPatternsOnAHugeTextLeaveThePanelAnswering) {
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("actions.toml")).toStdString();
    {
        std::ofstream file(path);
        for (int i = 1; i <= 5; ++i)
            file << "[[action]]\ntitle = \"Slow " << i << "\"\nmatch = '(x|xx)+y'\nrun = [\"true\"]\n";
        file << "[[action]]\ntitle = \"Starts with x\"\nmatch = '^x'\nrun = [\"true\"]\n";
        file << "[[action]]\ntitle = \"Any\"\nrun = [\"true\"]\n";
    }
    auto clipboard = std::make_shared<testing::MemoryClipboard>(std::string(100'000'000, 'x'));
    auto controller = std::make_unique<PanelController>(
        clipboard, std::make_unique<testing::FakeScreens>(testing::kLargeScreen), nullptr);
    auto source = std::make_shared<UserActionsSource>(path, nullptr, [](const std::string&) {});
    PanelController* panel = controller.get();
    auto matcher = std::make_shared<UserActionsMatcher>(
        source, [panel](std::function<void()> task) { QMetaObject::invokeMethod(panel, std::move(task)); });
    PanelModel& model = controller->model();
    model.extraSearch = [matcher](PanelModel::ExtraSearch search) { matcher->search(std::move(search)); };

    QElapsedTimer clock;
    clock.start();
    controller->show();
    qint64 longestTurn = 0;
    ASSERT_TRUE(testing::eventually([&] { return controller->isVisible(); }, 10'000, &longestTurn));
    const qint64 opened = clock.elapsed();
    const std::size_t builtIn = model.actions().size();
    ASSERT_GT(builtIn, 1u);
    model.move(+1);

    // All patterns together get the matcher's bound; the panel keeps answering meanwhile.
    ASSERT_TRUE(testing::eventually([&] { return model.actions().size() > builtIn; }, 60'000, &longestTurn));
    // The five slow ones ran out of time; an entry without a pattern is offered all the same. (The
    // quick pattern may run out of time too on a machine loaded enough.)
    std::vector<std::string> joined;
    for (std::size_t i = builtIn; i < model.actions().size(); ++i) joined.push_back(model.actions()[i].title);
    EXPECT_THAT(joined, ::testing::Each(::testing::Not(::testing::StartsWith("Slow"))));
    EXPECT_THAT(joined, ::testing::Contains("Any"));
    EXPECT_EQ(model.selected(), 1);
    // Generous against a loaded machine: matched on the UI thread, the five patterns held it for
    // about 20 s.
    EXPECT_LT(opened, 15000);
    EXPECT_LT(longestTurn, 8000);

    // Gone while matching: the search stops and its thread is waited for.
    model.load();
    controller.reset();
    matcher.reset();
}

}  // namespace
}  // namespace tavlets
