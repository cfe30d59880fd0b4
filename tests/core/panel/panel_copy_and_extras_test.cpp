// What Return writes back, and the user's actions joining the list once found elsewhere.
#include "core/panel/panel_fixture.hpp"

namespace tavlets {
namespace {

Tavlet fixed(std::string id, std::string result) {
    return Tavlet{id, id, "", [result](std::string_view) { return Outcome{result, false, false}; }};
}

TEST(PanelCopy, ReturnWritesOnlyNonEmptyResultsAndKeepsThePasswordMark) {
    for (const auto& [concealed, result] : {std::pair{false, "SORTED"}, {true, "hunter2"}, {false, ""}, {true, ""}}) {
        testing::Panel panel(std::nullopt);
        panel.model.extraActions = [&](const Analysis&, std::string_view) { return std::vector{fixed("u", result)}; };
        panel.clipboard->later = true;
        panel.model.load();
        panel.clipboard->requests.at(0)(ClipboardRead{ClipboardRead::Status::text, " hunter2 ", concealed});
        panel.model.choose(static_cast<int>(panel.model.actions().size()) - 1);
        panel.model.confirm();
        const bool copied = *result != '\0';
        EXPECT_EQ(panel.clipboard->writes, copied ? std::vector<std::string>{result} : std::vector<std::string>{});
        EXPECT_EQ(panel.clipboard->concealedWrites, copied ? std::vector<bool>{concealed} : std::vector<bool>{});
    }
}

struct Searching : testing::Panel {
    std::vector<PanelModel::ExtraSearch> searches;
    explicit Searching(std::string text) : testing::Panel(std::nullopt) {
        model.extraSearch = [this](PanelModel::ExtraSearch search) { searches.push_back(std::move(search)); };
        clipboard->content = std::move(text);
        model.load();
    }
};

TEST(PanelExtras, FoundActionsJoinLaterWithoutMovingTheSelectionAndOnlyForTheirLoad) {
    Searching panel("hello world");
    const std::size_t builtIn = panel.model.actions().size();
    panel.model.move(+1);
    panel.model.confirm();
    const std::optional<Outcome> shown = panel.model.outcome();
    ASSERT_TRUE(shown && panel.searches.size() == 1u);
    panel.searches[0].deliver({fixed("user.1", "one"), fixed("user.2", "two")});
    panel.searches[0].deliver({fixed("user.3", "twice")});
    ASSERT_EQ(panel.model.actions().size(), builtIn + 2);
    EXPECT_EQ(panel.model.actions()[builtIn].id, "user.1");
    EXPECT_EQ(panel.model.selected(), 1);
    EXPECT_EQ(panel.model.outcome(), shown);

    // A reload, putting away or a blank text abandons the search; its late answer is dropped.
    const std::function<void(Searching&)> leaves[] = {
        [](Searching& p) { p.model.load(); },
        [](Searching& p) { p.model.release(); },
        [](Searching& p) { p.clipboard->content = "  "; p.model.load(); },
    };
    for (const auto& leave : leaves) {
        Searching p("hello world");
        const PanelModel::ExtraSearch first = p.searches.at(0);
        leave(p);
        EXPECT_TRUE(first.cancelled->load());
        const std::size_t before = p.model.actions().size();
        first.deliver({fixed("user.1", "late")});
        EXPECT_EQ(p.model.actions().size(), before);
    }
    const PanelModel::ExtraSearch orphan = Searching("hello world").searches.at(0);
    EXPECT_TRUE(orphan.cancelled->load());
    orphan.deliver({fixed("user.1", "late")});  // must not touch the gone model
}

}  // namespace
}  // namespace tavlets
