#pragma once
// A model on a clipboard in memory, for the model tests.

#include <tavlets/panel_model.hpp>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tavlets::testing {

struct FakeClipboard : Clipboard {
    std::optional<std::string> content;
    std::vector<std::string> writes;
    bool later = false;  // keeps each read request for the test to answer
    std::vector<Delivery> requests;
    int cancels = 0;
    void requestText(Delivery deliver) override {
        if (later) return requests.push_back(std::move(deliver));
        deliver(ClipboardRead::of(content));
    }
    void cancelRead() override { ++cancels; }
    void writeText(const std::string& text, bool concealed) override {
        writes.push_back(text);
        concealedWrites.push_back(concealed);
    }
    std::vector<bool> concealedWrites;
};

// Loads `content` and records what the model announces. With `collectRuns`, runs are collected
// instead of run, so the test decides when each one finishes.
struct Panel {
    std::shared_ptr<FakeClipboard> clipboard = std::make_shared<FakeClipboard>();
    PanelModel model{clipboard};
    std::vector<PanelModel::Run> runs;
    std::vector<PanelModel::Field> seen;
    int closes = 0;

    explicit Panel(std::optional<std::string> content, bool collectRuns = false) {
        clipboard->content = std::move(content);
        model.onClose = [this] { ++closes; };
        if (collectRuns) model.runner = [this](PanelModel::Run run) { runs.push_back(std::move(run)); };
        model.observe([this](PanelModel::Field f) { seen.push_back(f); });
        model.load();
    }
    int indexOf(const std::string& id) const {
        const auto& actions = model.actions();
        for (std::size_t i = 0; i < actions.size(); ++i)
            if (actions[i].id == id) return static_cast<int>(i);
        ADD_FAILURE() << "no action " << id << " for " << model.analysis().label();
        return 0;
    }
    // Runs a collected run to the end, as the worker would, and hands its result back.
    bool finish(std::size_t which) { return model.deliver(runs.at(which).ticket, runs.at(which).execute()); }
    std::vector<PanelModel::Field> take() { return std::exchange(seen, {}); }
};

}  // namespace tavlets::testing
