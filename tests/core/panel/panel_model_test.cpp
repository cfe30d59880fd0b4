#include "core/panel/panel_fixture.hpp"

namespace tavlets {
namespace {

using F = PanelModel::Field;

using testing::Panel;

const std::vector<F> kLoad = {F::text, F::outcome, F::selected, F::analysis, F::actions};
const std::vector<F> kPick = {F::selected, F::outcome};

TEST(PanelModel, BlankClipboardShowsEmptyStateAndIgnoresKeys) {
    for (const auto& input : std::vector<std::optional<std::string>>{std::nullopt, "", " \n\t\r\n\u2028\u00a0"}) {
        Panel p(input);
        EXPECT_EQ(p.take(), kLoad);
        EXPECT_EQ(p.model.text(), input.value_or(""));
        EXPECT_EQ(p.model.analysis(), Analysis{});
        EXPECT_TRUE(p.model.actions().empty());
        p.model.move(1);
        p.model.confirm();
        p.model.confirm();
        EXPECT_TRUE(p.take().empty());
        EXPECT_FALSE(p.model.outcome());
        EXPECT_TRUE(p.clipboard->writes.empty());
    }
}

TEST(PanelModel, SelectionWrapsAndEveryChangeIsAnnouncedFirst) {
    Panel p("{\"a\": [1, 2]}");
    std::string textWhenAnnounced = "unset";
    p.model.observe([&](F f) { if (f == F::text) textWhenAnnounced = p.model.text(); });
    p.take();
    p.clipboard->content = "[1, 2]";
    p.model.load();  // selected and outcome are announced though equal
    EXPECT_EQ(p.take(), kLoad);
    EXPECT_EQ(textWhenAnnounced, "{\"a\": [1, 2]}");
    ASSERT_EQ(p.model.actions().size(), 12u);
    p.model.choose(11);
    p.model.move(1);
    EXPECT_EQ(p.model.selected(), 0);
    EXPECT_FALSE(p.model.outcome());
    p.model.choose(0);
    p.model.move(-1);
    EXPECT_EQ(p.model.selected(), 11);
    EXPECT_FALSE(p.model.outcome());
    EXPECT_EQ(p.take(), (std::vector{F::selected, F::outcome, F::selected, F::outcome,
                                     F::selected, F::outcome, F::selected, F::outcome}));
    for (const int outside : {-1, 12}) p.model.choose(outside);
    EXPECT_TRUE(p.take().empty());
    EXPECT_EQ(p.model.selected(), 11);
}

TEST(PanelModel, ObserverMayUnsubscribeItselfWhileNotified) {
    Panel p("hello");
    PanelModel::ObserverId self = 0;
    int calls = 0;
    self = p.model.observe([&](F) { ++calls; p.model.unobserve(self); });
    p.take();
    p.model.load();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(p.take(), kLoad);
}

}  // namespace
}  // namespace tavlets
