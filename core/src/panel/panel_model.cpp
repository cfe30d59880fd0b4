#include <tavlets/panel_model.hpp>

#include <exception>
#include <utility>

#include <tavlets/cancel.hpp>
#include <tavlets/text.hpp>

namespace tavlets {

namespace {

std::shared_ptr<const std::string> emptyText() {
    static const auto empty = std::make_shared<const std::string>();
    return empty;
}

Outcome runGuarded(const std::function<Outcome(std::string_view)>& run, std::string_view text) {
    if (!run) return Outcome{"This action isn't available.", true, false};
    try {
        return run(text);
    } catch (const std::exception&) {
        // Actions are built not to throw; this only keeps the panel alive on resource failure.
        return Outcome{"This action couldn't finish on this text.", true, false};
    }
}

}  // namespace

Outcome PanelModel::Run::execute() const {
    const CancelScope scope(cancelled.get());
    return runGuarded(action, text ? std::string_view(*text) : std::string_view());
}

PanelModel::PanelModel(std::shared_ptr<Clipboard> clipboard)
    : clipboard_(std::move(clipboard)), text_(emptyText()) {}

PanelModel::~PanelModel() {
    abandonExtras();
}

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
    abandonRun();
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
    clear();
    setReading(Reading::waiting);
}

void PanelModel::clear() {
    abandonRun();
    abandonExtras();
    willChange(Field::text);
    text_ = emptyText();
    concealed_ = false;
    willChange(Field::outcome);
    outcome_.reset();
    willChange(Field::selected);
    selected_ = 0;
    willChange(Field::analysis);
    analysis_ = Analysis{};
    willChange(Field::actions);
    // Swap with an empty list so the capacity goes too.
    std::vector<Tavlet>().swap(actions_);
}

bool PanelModel::deliverText(std::uint64_t load, ClipboardRead read) {
    if (!pending_ || load != load_) return false;
    pending_ = false;
    abandonRun();
    abandonExtras();
    const bool hasText = read.status == ClipboardRead::Status::text;
    willChange(Field::text);
    text_ = hasText ? std::make_shared<const std::string>(std::move(read.text)) : emptyText();
    concealed_ = hasText && read.concealed;

    willChange(Field::outcome);
    outcome_.reset();

    willChange(Field::selected);
    selected_ = 0;

    const Reading reading = read.status == ClipboardRead::Status::notAnswering ? Reading::notAnswering
                            : read.status == ClipboardRead::Status::tooLarge   ? Reading::tooLarge
                                                                               : Reading::done;
    if (text::trim(*text_, text::CharClass::whitespaceAndNewlines).empty()) {
        willChange(Field::analysis);
        analysis_ = Analysis{};
        willChange(Field::actions);
        actions_.clear();
        setReading(reading);
        return true;
    }

    Analysis analysis = Analysis::of(*text_);
    willChange(Field::analysis);
    analysis_ = analysis;

    std::vector<Tavlet> actions = ActionCatalog::actions(analysis_);
    if (extraActions && !extraSearch) {
        for (Tavlet& extra : extraActions(analysis_, *text_)) actions.push_back(std::move(extra));
    }
    willChange(Field::actions);
    actions_ = std::move(actions);
    setReading(reading);
    if (extraSearch) searchExtras();
    return true;
}

void PanelModel::searchExtras() {
    extrasCancelled_ = std::make_shared<std::atomic<bool>>(false);
    const std::weak_ptr<int> alive = alive_;
    const std::uint64_t load = load_;
    ExtraSearch search{analysis_, text_, extrasCancelled_,
                       [this, alive, load](std::vector<Tavlet> extras) {
                           if (alive.lock()) deliverExtras(load, std::move(extras));
                       }};
    // Copy the hook: it may replace itself.
    const auto hand = extraSearch;
    hand(std::move(search));
}

void PanelModel::deliverExtras(std::uint64_t load, std::vector<Tavlet> extras) {
    // Every new load abandons the search of the one before, so a flag still held is this load's.
    if (!extrasCancelled_ || load != load_) return;
    extrasCancelled_.reset();
    if (extras.empty()) return;
    willChange(Field::actions);
    for (Tavlet& extra : extras) actions_.push_back(std::move(extra));
}

void PanelModel::abandonExtras() {
    if (!extrasCancelled_) return;
    extrasCancelled_->store(true, std::memory_order_relaxed);
    extrasCancelled_.reset();
}

void PanelModel::move(int delta) {
    if (actions_.empty()) return;
    abandonRun();
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
    abandonRun();
    willChange(Field::selected);
    selected_ = index;

    // Keep the action and the text alive even if an observer reloads the model while it runs.
    const auto run = actions_[static_cast<std::size_t>(index)].run;
    const std::shared_ptr<const std::string> text = text_;
    Outcome result = runGuarded(run, *text);
    willChange(Field::outcome);
    outcome_ = std::move(result);
}

void PanelModel::start(int index) {
    if (!runner) {
        choose(index);
        return;
    }
    if (index < 0 || static_cast<std::size_t>(index) >= actions_.size()) return;
    abandonRun();
    willChange(Field::selected);
    selected_ = index;
    willChange(Field::outcome);
    outcome_.reset();

    Run run{++lastTicket_, actions_[static_cast<std::size_t>(index)].run, text_,
            std::make_shared<std::atomic<bool>>(false)};
    willChange(Field::busy);
    running_ = Running{run.ticket, run.cancelled};
    // Copy the runner: an observer or the runner itself may replace it.
    const auto hand = runner;
    hand(std::move(run));
}

bool PanelModel::deliver(std::uint64_t ticket, Outcome outcome) {
    if (!running_ || running_->ticket != ticket) return false;
    willChange(Field::busy);
    running_.reset();
    willChange(Field::outcome);
    outcome_ = std::move(outcome);
    return true;
}

void PanelModel::abandonRun() {
    if (!running_) return;
    running_->cancelled->store(true, std::memory_order_relaxed);
    willChange(Field::busy);
    running_.reset();
}

void PanelModel::release() {
    cancelLoad();
    clear();
}

void PanelModel::confirm() {
    if (running_) return;
    if (!outcome_) {
        start(selected_);
        return;
    }
    if (outcome_->isError || outcome_->text.empty()) return;
    const std::string copied = outcome_->text;
    // A result made from a password is marked as one again, so clipboard histories skip it.
    if (clipboard_) clipboard_->writeText(copied, concealed_);
    // Copy the callback: it may replace itself.
    const auto close = onClose;
    if (close) close();
}

}  // namespace tavlets
