#pragma once
// Cooperative cancellation for engine runs on a worker thread. The caller installs a flag for the
// current thread; long loops in the engines poll `cancelRequested()` and return early once it is
// set. An early result is incomplete and must be thrown away by whoever cancelled it.
// With no flag installed (the usual case for callers on one thread) the check is always false, so
// results stay exactly as without cancellation.

#include <atomic>

namespace tavlets {

// Installs `flag` for the current thread for the lifetime of the scope; scopes nest.
class CancelScope {
public:
    explicit CancelScope(const std::atomic<bool>* flag) noexcept;
    ~CancelScope();
    CancelScope(const CancelScope&) = delete;
    CancelScope& operator=(const CancelScope&) = delete;

private:
    const std::atomic<bool>* previous_;
};

namespace detail {
// Defined here with constant initialisation, so every reader touches the thread's slot directly:
// an extern declaration makes each read go through the thread-local wrapper function, which the
// undefined-behaviour sanitizer reports as a null load.
inline thread_local const std::atomic<bool>* currentCancelFlag = nullptr;
}

// Cheap enough for inner loops: one thread-local load and, with a flag, one relaxed atomic load.
inline bool cancelRequested() noexcept {
    const std::atomic<bool>* flag = detail::currentCancelFlag;
    return flag && flag->load(std::memory_order_relaxed);
}

}  // namespace tavlets
