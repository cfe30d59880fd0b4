#pragma once
// The panel's state: the clipboard text, its classification, the offered actions, the selection
// and the last result. Knows nothing of windows or keys.

#include <atomic>
#include <cstddef>
#include <cstdint>
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
    enum class Field { text, analysis, actions, selected, outcome, busy };
    // Called before every assignment to a published field, also when the value is equal.
    using Observer = std::function<void(Field)>;
    using ObserverId = std::size_t;

    // One run of an action away from the model's thread: the action, the text it runs on (shared,
    // so that it outlives a reload or release of the model) and the flag set once the run is
    // abandoned. A run whose flag is set may stop early; its result is thrown away.
    struct Run {
        std::uint64_t ticket = 0;
        std::function<Outcome(std::string_view)> action;
        std::shared_ptr<const std::string> text;
        std::shared_ptr<std::atomic<bool>> cancelled;

        // Runs the action with the flag installed for this thread. Never throws.
        Outcome execute() const;
    };

    explicit PanelModel(std::shared_ptr<Clipboard> clipboard);

    const std::string& text() const { return *text_; }
    const Analysis& analysis() const { return analysis_; }
    const std::vector<Tavlet>& actions() const { return actions_; }
    int selected() const { return selected_; }
    const std::optional<Outcome>& outcome() const { return outcome_; }
    // A run started by `start` has not delivered yet.
    bool busy() const { return running_.has_value(); }

    ObserverId observe(Observer observer);
    void unobserve(ObserverId id);

    // Called by confirm after a result has been copied.
    std::function<void()> onClose = [] {};
    // Actions offered after the built-in ones for a non-blank text (the user's own commands).
    std::function<std::vector<Tavlet>(const Analysis&, std::string_view text)> extraActions;

    // Takes runs started by `start` and `confirm` and hands each result back through `deliver`
    // on the model's thread. Without it those run synchronously, like `choose`.
    std::function<void(Run)> runner;

    void load();
    // Abandons a run in progress (as every operation below does, except `confirm`).
    void move(int delta);
    // Selects the action and runs it synchronously on this thread.
    void choose(int index);
    // Selects the action and starts it through `runner`; the result arrives by `deliver`.
    void start(int index);
    // Return: starts the selected action, or copies a successful result and closes. Ignored while
    // busy.
    void confirm();
    // A run's result. Shown only when it belongs to the run in progress; the result of an
    // abandoned run, or of a run on an earlier text, is dropped (returns false).
    bool deliver(std::uint64_t ticket, Outcome outcome);
    // Abandons any run and lets go of the text, its analysis, the actions and the result, for
    // when the panel is put away. The next `load` fills the model again.
    void release();

private:
    struct Running {
        std::uint64_t ticket = 0;
        std::shared_ptr<std::atomic<bool>> cancelled;
    };

    void willChange(Field field);
    void abandonRun();

    std::shared_ptr<Clipboard> clipboard_;
    std::vector<std::pair<ObserverId, Observer>> observers_;
    ObserverId nextObserverId_ = 1;

    std::shared_ptr<const std::string> text_;
    Analysis analysis_;
    std::vector<Tavlet> actions_;
    int selected_ = 0;
    std::optional<Outcome> outcome_;
    std::optional<Running> running_;
    std::uint64_t lastTicket_ = 0;
};

}  // namespace tavlets
