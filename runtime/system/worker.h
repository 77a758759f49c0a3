// Work that must not hold up the windows: one job runs on a thread of its own, and what it found
// comes back to the user-interface thread through a queued call. The windows and the game stay on
// the user-interface thread; only the job's own copied data is touched by the thread.
#pragma once

#include <cstdint>
#include <functional>

namespace runtime {

using JobId = uint64_t;

struct BackgroundJob {
  std::function<void()> work;       // runs on the job's thread
  std::function<void()> interrupt;  // called from the user-interface thread: work must return soon
  std::function<void()> done;       // runs on the user-interface thread after work returned
  // Work only for idle moments (background scoring): the thread runs at the lowest priority,
  // below the other jobs, so it never takes time from the game's own search or the window.
  bool lowest = false;
};

// Starts the job's thread. Call from the user-interface thread.
JobId StartBackgroundJob(BackgroundJob job);
// Interrupts the job, waits for its thread to end and drops its `done`; false when the job had
// already delivered or was never started. Returns only when the thread is gone.
bool CancelBackgroundJob(JobId id);
// The same for every job (at the end of the program, so no thread outlives it).
void CancelAllBackgroundJobs();
// True from the start of a job until its `done` ran or it was cancelled.
bool BackgroundJobPending(JobId id);

// Runs `call` on the user-interface thread when its event loop next runs; safe from any thread.
// Dropped when there is no application object.
void PostToUiThread(std::function<void()> call);

// Runs `call` on the user-interface thread every `intervalMs` milliseconds until stopped (a
// screen refreshed while a search goes on, an engine polled for its timeouts). Returns 0, with
// nothing started, when there is no application object. Call both from the user-interface
// thread; stopping inside the call itself is safe, stopping an unknown id does nothing.
using RepeatingCallId = uint64_t;
RepeatingCallId StartRepeatingCall(int32_t intervalMs, std::function<void()> call);
void StopRepeatingCall(RepeatingCallId id);

}  // namespace runtime
