#include "runtime/system/worker.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <map>
#include <thread>

#include "runtime/error.h"
#include "runtime/lifecycle.h"

namespace runtime {

namespace {

struct RunningJob {
  std::thread thread;
  std::function<void()> interrupt;
  std::function<void()> done;
};

// Only the user-interface thread reads or changes the table: a job's thread reports through a
// queued call, never by touching it.
std::map<JobId, RunningJob>& Jobs() {
  static std::map<JobId, RunningJob> jobs;
  return jobs;
}

// On a busy machine the job's thread gives way to the user-interface thread, so the window stays
// quick to answer while a job runs flat out. On Linux a thread has a nice value of its own.
void LowerThisThreadsPriority(bool lowest) {
  const auto thread = static_cast<id_t>(syscall(SYS_gettid));
  setpriority(PRIO_PROCESS, thread, lowest ? 19 : getpriority(PRIO_PROCESS, thread) + 5);
}

std::map<RepeatingCallId, QPointer<QTimer>>& Timers() {
  static std::map<RepeatingCallId, QPointer<QTimer>> timers;
  return timers;
}

void Deliver(JobId id) {
  auto it = Jobs().find(id);
  if (it == Jobs().end()) return;  // cancelled after its work had returned
  // A fatal error's box is open and the process ends when it closes: nothing may change under it.
  if (ErrorsInProgress() > 0) return;
  RunningJob job = std::move(it->second);
  Jobs().erase(it);
  if (job.thread.joinable()) job.thread.join();
  if (job.done) job.done();
}

}  // namespace

JobId StartBackgroundJob(BackgroundJob job) {
  static JobId next = 0;
  static bool cleanupRegistered = false;
  if (!cleanupRegistered) {
    cleanupRegistered = true;
    AddShutdownStep(CancelAllBackgroundJobs);
  }
  const JobId id = ++next;
  RunningJob& running = Jobs()[id];
  running.interrupt = std::move(job.interrupt);
  running.done = std::move(job.done);
  running.thread = std::thread([id, work = std::move(job.work), lowest = job.lowest] {
    LowerThisThreadsPriority(lowest);
    if (work) work();
    PostToUiThread([id] { Deliver(id); });
  });
  return id;
}

bool CancelBackgroundJob(JobId id) {
  auto it = Jobs().find(id);
  if (it == Jobs().end()) return false;
  RunningJob job = std::move(it->second);
  Jobs().erase(it);
  if (job.interrupt) job.interrupt();
  if (job.thread.joinable()) job.thread.join();
  return true;
}

void CancelAllBackgroundJobs() {
  while (!Jobs().empty()) CancelBackgroundJob(Jobs().begin()->first);
}

bool BackgroundJobPending(JobId id) {
  return Jobs().count(id) != 0;
}

void PostToUiThread(std::function<void()> call) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) return;
  QMetaObject::invokeMethod(app, std::move(call), Qt::QueuedConnection);
}

RepeatingCallId StartRepeatingCall(int32_t intervalMs, std::function<void()> call) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) return 0;
  static RepeatingCallId next = 0;
  const RepeatingCallId id = ++next;
  auto* timer = new QTimer(app);
  timer->setInterval(std::max(1, intervalMs));
  QObject::connect(timer, &QTimer::timeout, timer, [call = std::move(call)] {
    if (ErrorsInProgress() == 0) call();
  });
  timer->start();
  Timers()[id] = timer;
  return id;
}

void StopRepeatingCall(RepeatingCallId id) {
  auto it = Timers().find(id);
  if (it == Timers().end()) return;
  // Deleted later: the call being run may be the one that stops its own timer.
  if (QTimer* timer = it->second.data()) {
    timer->stop();
    timer->deleteLater();
  }
  Timers().erase(it);
}

}  // namespace runtime
