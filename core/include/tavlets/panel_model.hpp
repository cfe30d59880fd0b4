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
    enum class Field { text, analysis, actions, selected, outcome, reading, busy };
    // Where the clipboard read of the last load stands.
    enum class Reading {
        done,          // the text (or the lack of one) is in place
        waiting,       // asked for, not there yet: no text and no actions meanwhile
        notAnswering,  // the app holding the clipboard did not deliver; no text, no actions
        tooLarge,      // the clipboard was offered only in a form too large to read; no text
    };
    // Called before every assignment to a published field, also when the value is equal
    // (`reading` is assigned only when it changes).
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

    // A search for the actions offered after the built-in ones, made away from the model's
    // thread: the load's classification and text, and the flag set once that load is gone.
    // `deliver` hands the list back on the model's thread; it does nothing once the load is gone.
    struct ExtraSearch {
        Analysis analysis;
        std::shared_ptr<const std::string> text;
        std::shared_ptr<std::atomic<bool>> cancelled;
        std::function<void(std::vector<Tavlet>)> deliver;
    };

    explicit PanelModel(std::shared_ptr<Clipboard> clipboard);
    ~PanelModel();
    PanelModel(const PanelModel&) = delete;
    PanelModel& operator=(const PanelModel&) = delete;

    const std::string& text() const { return *text_; }
    const Analysis& analysis() const { return analysis_; }
    const std::vector<Tavlet>& actions() const { return actions_; }
    int selected() const { return selected_; }
    const std::optional<Outcome>& outcome() const { return outcome_; }
    Reading reading() const { return reading_; }
    // The copying app marked the text as a password: show that it is there, not what it says.
    // Changes together with text.
    bool concealed() const { return concealed_; }
    // A run started by `start` has not delivered yet.
    bool busy() const { return running_.has_value(); }

    ObserverId observe(Observer observer);
    void unobserve(ObserverId id);

    // Called by confirm after a result has been copied.
    std::function<void()> onClose = [] {};
    // Actions offered after the built-in ones for a non-blank text (the user's own commands).
    std::function<std::vector<Tavlet>(const Analysis&, std::string_view text)> extraActions;
    // Takes the place of extraActions when set: the built-in actions show at once, the others
    // join them when found, after them, with the selection left where it is.
    std::function<void(ExtraSearch)> extraSearch;

    // Takes runs started by `start` and `confirm` and hands each result back through `deliver`
    // on the model's thread. Without it those run synchronously, like `choose`.
    std::function<void(Run)> runner;

    // Reads the clipboard and classifies its text. A clipboard that answers at once fills the
    // model before load returns; otherwise reading is waiting until the answer arrives.
    void load();
    // load in two steps, for a caller that must choose when to read (a desktop that hands the
    // clipboard only to the focused window): beginLoad empties the model into the waiting state
    // and numbers this load; readClipboard then asks the clipboard for it.
    std::uint64_t beginLoad();
    void readClipboard(std::uint64_t load);
    // The answer for a load. Dropped (returns false) unless it belongs to the latest load and
    // that load is still waiting: an answer after cancelLoad or a newer load never lands.
    bool deliverText(std::uint64_t load, ClipboardRead read);
    // The panel went away: any answer still on its way is dropped.
    void cancelLoad();
    // Abandons a run in progress (as every operation below does, except `confirm`).
    void move(int delta);
    // Selects the action and runs it synchronously on this thread.
    void choose(int index);
    // Selects the action and starts it through `runner`; the result arrives by `deliver`.
    void start(int index);
    // Return: starts the selected action, or copies a successful result and closes. Ignored while
    // busy. An empty result is never copied: it would wipe what the user copied.
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
    void request(std::uint64_t load);
    void enterWaiting();
    // Abandons any run and empties text, result, selection, analysis and actions.
    void clear();
    void setReading(Reading reading);
    void abandonRun();
    void abandonExtras();
    void searchExtras();
    void deliverExtras(std::uint64_t load, std::vector<Tavlet> extras);

    std::shared_ptr<Clipboard> clipboard_;
    std::vector<std::pair<ObserverId, Observer>> observers_;
    ObserverId nextObserverId_ = 1;

    std::shared_ptr<const std::string> text_;
    Analysis analysis_;
    std::vector<Tavlet> actions_;
    int selected_ = 0;
    std::optional<Outcome> outcome_;
    Reading reading_ = Reading::done;
    bool concealed_ = false;

    std::uint64_t load_ = 0;  // number of the latest load
    bool pending_ = false;    // its answer has not arrived yet
    // Deliveries hold this weakly, so an answer after the model is gone goes nowhere.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    std::optional<Running> running_;
    std::uint64_t lastTicket_ = 0;
    // The flag of the search for the current load's extra actions; null when none is under way.
    std::shared_ptr<std::atomic<bool>> extrasCancelled_;
};

}  // namespace tavlets
