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
    const std::uint64_t load = ++load_;
    pending_ = true;
    request(load);
    // Still on its way: show that, rather than the last text, until it comes.
    if (pending_ && load_ == load) enterWaiting();
}

std::uint64_t PanelModel::beginLoad() {
    const std::uint64_t load = ++load_;
    pending_ = true;
    enterWaiting();
    return load;
}

void PanelModel::readClipboard(std::uint64_t load) {
    if (!pending_ || load != load_) return;
    request(load);
}

void PanelModel::request(std::uint64_t load) {
    if (!clipboard_) {
        deliverText(load, ClipboardRead{});
        return;
    }
    const std::weak_ptr<int> alive = alive_;
    clipboard_->requestText([this, alive, load](ClipboardRead read) {
        if (alive.lock()) deliverText(load, std::move(read));
    });
}

void PanelModel::cancelLoad() {
    if (!pending_) return;
    pending_ = false;
    ++load_;
    if (clipboard_) clipboard_->cancelRead();
}

void PanelModel::setReading(Reading reading) {
    if (reading_ == reading) return;
    willChange(Field::reading);
    reading_ = reading;
}

void PanelModel::enterWaiting() {
    willChange(Field::text);
    text_.clear();
    text_.shrink_to_fit();
    concealed_ = false;
    willChange(Field::outcome);
    outcome_.reset();
    willChange(Field::selected);
    selected_ = 0;
    willChange(Field::analysis);
    analysis_ = Analysis{};
    willChange(Field::actions);
    actions_.clear();
    setReading(Reading::waiting);
}

bool PanelModel::deliverText(std::uint64_t load, ClipboardRead read) {
    if (!pending_ || load != load_) return false;
    pending_ = false;
    const bool hasText = read.status == ClipboardRead::Status::text;
    willChange(Field::text);
    text_ = hasText ? std::move(read.text) : std::string();
    concealed_ = hasText && read.concealed;

    willChange(Field::outcome);
    outcome_.reset();

    willChange(Field::selected);
    selected_ = 0;

    const Reading reading = read.status == ClipboardRead::Status::notAnswering
                                ? Reading::notAnswering
                                : Reading::done;
    if (text::trim(text_, text::CharClass::whitespaceAndNewlines).empty()) {
        willChange(Field::analysis);
        analysis_ = Analysis{};
        willChange(Field::actions);
        actions_.clear();
        setReading(reading);
        return true;
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
    setReading(reading);
    return true;
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
