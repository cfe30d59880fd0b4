#include <tavlets/cancel.hpp>

namespace tavlets {

CancelScope::CancelScope(const std::atomic<bool>* flag) noexcept : previous_(detail::currentCancelFlag) {
    detail::currentCancelFlag = flag;
}

CancelScope::~CancelScope() {
    detail::currentCancelFlag = previous_;
}

}  // namespace tavlets
