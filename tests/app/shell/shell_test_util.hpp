#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <functional>

namespace tavlets::test {

// Runs the event loop until the condition holds or the time is up; returns the condition.
inline bool spinUntil(const std::function<bool()>& condition, int timeoutMs = 3000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

}  // namespace tavlets::test
