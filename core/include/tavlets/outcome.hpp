#pragma once
// What running an action gives back. Engines return it; the catalog and the panel pass it on.

#include <string>

namespace tavlets {

// The result of running an action: shown in the panel, copied on confirm unless it is an error.
struct Outcome {
    std::string text;
    bool isError = false;  // the action could not do its work on this input; never copied
    bool mono = false;     // show in a fixed-width font

    bool operator==(const Outcome&) const = default;
};

}  // namespace tavlets
