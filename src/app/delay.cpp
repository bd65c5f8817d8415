#include "app/delay.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The loops of the running waits, innermost last.
std::vector<QEventLoop*> waitingLoops;
// Once the application quits, every event loop's exec() returns -1 at once.
bool ending = false;

} // namespace

bool WaitUntil(uint32_t ms, const std::function<bool()>& done)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QEventLoop loop;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    waitingLoops.push_back(&loop);
    while (!ending && !(done && done())) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            break;
        timer.start(left);
        if (loop.exec() < 0)
            ending = true;
    }
    waitingLoops.erase(std::find(waitingLoops.begin(), waitingLoops.end(), &loop));
    return done && done();
}

void Delay(uint32_t ms) { WaitUntil(ms, {}); }

bool ApplicationEnding() { return ending; }

void WakeWaiters()
{
    for (QEventLoop* loop : waitingLoops)
        loop->quit();
}
