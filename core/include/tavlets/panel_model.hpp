#pragma once
// The panel's state: the clipboard text, its classification, the offered actions, the selection
// and the last result. Knows nothing of windows or keys.

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <tavlets/actions.hpp>
#include <tavlets/clipboard.hpp>

namespace tavlets {

class PanelModel {
public:
    enum class Field { text, analysis, actions, selected, outcome };
    // Called before every assignment to a published field, also when the value is equal.
    using Observer = std::function<void(Field)>;
    using ObserverId = std::size_t;

    explicit PanelModel(std::shared_ptr<Clipboard> clipboard);

    const std::string& text() const { return text_; }
    const Analysis& analysis() const { return analysis_; }
    const std::vector<Tavlet>& actions() const { return actions_; }
    int selected() const { return selected_; }
    const std::optional<Outcome>& outcome() const { return outcome_; }

    ObserverId observe(Observer observer);
    void unobserve(ObserverId id);

    // Called by confirm after a result has been copied.
    std::function<void()> onClose = [] {};
    // Actions offered after the built-in ones for a non-blank text (the user's own commands).
    std::function<std::vector<Tavlet>(const Analysis&, std::string_view text)> extraActions;

    void load();
    void move(int delta);
    void choose(int index);
    void confirm();

private:
    void willChange(Field field);

    std::shared_ptr<Clipboard> clipboard_;
    std::vector<std::pair<ObserverId, Observer>> observers_;
    ObserverId nextObserverId_ = 1;

    std::string text_;
    Analysis analysis_;
    std::vector<Tavlet> actions_;
    int selected_ = 0;
    std::optional<Outcome> outcome_;
};

}  // namespace tavlets
