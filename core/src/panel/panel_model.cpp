#include <tavlets/panel_model.hpp>

#include <exception>
#include <utility>

#include <tavlets/text.hpp>

namespace tavlets {

PanelModel::PanelModel(std::shared_ptr<Clipboard> clipboard) : clipboard_(std::move(clipboard)) {}

PanelModel::ObserverId PanelModel::observe(Observer observer) {
    const ObserverId id = nextObserverId_++;
    observers_.emplace_back(id, std::move(observer));
    return id;
}

void PanelModel::unobserve(ObserverId id) {
    for (auto it = observers_.begin(); it != observers_.end(); ++it) {
        if (it->first == id) {
            observers_.erase(it);
            return;
        }
    }
}

void PanelModel::willChange(Field field) {
    if (observers_.empty()) return;
    // Observers may subscribe or unsubscribe (themselves or others) while being notified: walk a
    // snapshot of the ids, skip those removed meanwhile, and call a copy so that an observer that
    // removes itself is not destroyed while it runs. Observers added meanwhile wait for the next
    // change.
    std::vector<ObserverId> ids;
    ids.reserve(observers_.size());
    for (const auto& entry : observers_) ids.push_back(entry.first);
    for (const ObserverId id : ids) {
        Observer call;
        for (const auto& entry : observers_) {
            if (entry.first == id) {
                call = entry.second;
                break;
            }
        }
        if (call) call(field);
    }
}

void PanelModel::load() {
    std::optional<std::string> read;
    if (clipboard_) read = clipboard_->readText();
    std::string newText = read ? std::move(*read) : std::string();
    willChange(Field::text);
    text_ = std::move(newText);

    willChange(Field::outcome);
    outcome_.reset();

    willChange(Field::selected);
    selected_ = 0;

    if (text::trim(text_, text::CharClass::whitespaceAndNewlines).empty()) {
        willChange(Field::analysis);
        analysis_ = Analysis{};
        willChange(Field::actions);
        actions_.clear();
        return;
    }

    Analysis analysis = Analysis::of(text_);
    willChange(Field::analysis);
    analysis_ = analysis;

    std::vector<Tavlet> actions = ActionCatalog::actions(analysis_);
    if (extraActions) {
        for (Tavlet& extra : extraActions(analysis_, text_)) actions.push_back(std::move(extra));
    }
    willChange(Field::actions);
    actions_ = std::move(actions);
}

void PanelModel::move(int delta) {
    if (actions_.empty()) return;
    const long long n = static_cast<long long>(actions_.size());
    // Euclidean modulo, so any delta lands inside the list.
    const long long next = ((static_cast<long long>(selected_) + delta) % n + n) % n;
    willChange(Field::selected);
    selected_ = static_cast<int>(next);

    willChange(Field::outcome);
    outcome_.reset();
}

void PanelModel::choose(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= actions_.size()) return;
    willChange(Field::selected);
    selected_ = index;

    // Keep the action alive even if an observer reloads the model while it runs.
    const auto run = actions_[static_cast<std::size_t>(index)].run;
    Outcome result;
    if (!run) {
        result = Outcome{"This action isn't available.", true, false};
    } else {
        try {
            result = run(text_);
        } catch (const std::exception&) {
            // Actions are built not to throw; this only keeps the panel alive on resource failure.
            result = Outcome{"This action couldn't finish on this text.", true, false};
        }
    }
    willChange(Field::outcome);
    outcome_ = std::move(result);
}

void PanelModel::confirm() {
    if (!outcome_) {
        choose(selected_);
        return;
    }
    if (outcome_->isError) return;
    const std::string copied = outcome_->text;
    if (clipboard_) clipboard_->writeText(copied);
    // Copy the callback: it may replace itself.
    const auto close = onClose;
    if (close) close();
}

}  // namespace tavlets
