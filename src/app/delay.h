#pragma once
// Waiting while the window keeps working: replies are received and
// dispatched, and the operator's clicks handled, during the wait.
// The wait blocks in the event loop on a precise timer, so it costs no CPU.

#include <cstdint>
#include <functional>

// Returns after at least ms milliseconds, having handled events all along,
// or at once when the application is quitting.
// Delay(0) handles the pending events once.
void Delay(uint32_t ms);

// Like Delay, but returns as soon as done() is true (checked at the start
// and whenever WakeWaiters() is called). Returns done() at the end.
bool WaitUntil(uint32_t ms, const std::function<bool()>& done);

// Makes every running WaitUntil check its condition again; called after a
// reply flag has been set.
void WakeWaiters();

// The application has been told to quit while a wait was running, or
// before one started: every wait now returns at once, so that the
// operation behind it can stop instead of spinning until its deadline.
bool ApplicationEnding();
