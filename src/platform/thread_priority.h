// Threads that do work ahead of any request give way to every other thread, so that a program
// waiting on the mount does not wait for a processor behind them.
#pragma once

namespace ostrel {

// Gives the calling thread the lowest priority of normal scheduling: other threads, of this
// process and of others, run first, while it is never shut out for good. Best effort: a system
// that refuses leaves the priority as it was, which is correct, only slower for others.
void LowerThisThreadPriority() noexcept;

}  // namespace ostrel
