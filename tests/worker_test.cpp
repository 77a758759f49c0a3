// Background jobs: the result comes back on the user-interface thread through its event loop, and
// a cancelled job is interrupted, joined and never delivers.
#include "runtime/system/worker.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "runtime/error.h"
#include "runtime/services.h"
#include "tests/support/application.h"

namespace {

void RunLoopUntil(const std::function<bool()>& done) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < 10000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

TEST(Worker, DeliversOnTheUserInterfaceThreadOnlyThroughTheLoop) {
  testing_support::TestApplication();
  const std::thread::id ui = std::this_thread::get_id();
  std::thread::id workedOn, deliveredOn;
  std::atomic<bool> worked{false};
  bool delivered = false;
  runtime::JobId id = runtime::StartBackgroundJob({[&] {
                                                     workedOn = std::this_thread::get_id();
                                                     worked = true;
                                                   },
                                                   {},
                                                   [&] {
                                                     deliveredOn = std::this_thread::get_id();
                                                     delivered = true;
                                                   }});
  while (!worked) std::this_thread::yield();
  EXPECT_FALSE(delivered);  // not before the loop runs
  EXPECT_TRUE(runtime::BackgroundJobPending(id));
  RunLoopUntil([&] { return delivered; });
  EXPECT_TRUE(delivered);
  EXPECT_NE(workedOn, ui);
  EXPECT_EQ(deliveredOn, ui);
  EXPECT_FALSE(runtime::BackgroundJobPending(id));
  EXPECT_FALSE(runtime::CancelBackgroundJob(id));
}

TEST(Worker, ACancelledJobIsInterruptedJoinedAndNeverDelivers) {
  testing_support::TestApplication();
  std::atomic<bool> stop{false}, ended{false};
  bool delivered = false;
  auto work = [&] {
    while (!stop) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ended = true;
  };
  runtime::JobId id =
      runtime::StartBackgroundJob({work, [&] { stop = true; }, [&] { delivered = true; }});
  EXPECT_TRUE(runtime::CancelBackgroundJob(id));
  EXPECT_TRUE(ended);  // the thread is gone when the cancel returns
  // A job whose work has already returned, its delivery queued: cancelled, it still never delivers.
  stop = true;
  ended = false;
  runtime::JobId finished = runtime::StartBackgroundJob({work, {}, [&] { delivered = true; }});
  while (!ended) std::this_thread::yield();
  EXPECT_TRUE(runtime::CancelBackgroundJob(finished));
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
  EXPECT_FALSE(delivered);
  EXPECT_FALSE(runtime::BackgroundJobPending(id));
}

// While the fatal error's box is open the loop still runs (the box is modal); a job that finishes
// meanwhile must not change anything under it.
TEST(Worker, ARepeatingCallRunsThroughTheLoopUntilItStopsItself) {
  testing_support::TestApplication();
  int calls = 0;
  runtime::RepeatingCallId id = 0;
  id = runtime::StartRepeatingCall(1, [&] {
    if (++calls == 3) runtime::StopRepeatingCall(id);  // from inside its own call
  });
  ASSERT_NE(id, 0u);
  EXPECT_EQ(calls, 0);  // never inside Start
  RunLoopUntil([&] { return calls >= 3; });
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
  EXPECT_EQ(calls, 3);
  runtime::StopRepeatingCall(id);  // twice, and an unknown id: nothing
  runtime::StopRepeatingCall(987654);

  // A lowest-priority job runs and delivers like any other.
  std::atomic<int> nice{-100};
  bool delivered = false;
  runtime::BackgroundJob job;
  job.work = [&] { nice = getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid))); };
  job.done = [&] { delivered = true; };
  job.lowest = true;
  runtime::StartBackgroundJob(std::move(job));
  RunLoopUntil([&] { return delivered; });
  EXPECT_EQ(nice.load(), 19);
}

TEST(WorkerDeathTest, NothingIsDeliveredWhileTheErrorBoxIsOpen) {
  auto scenario = [] {
    testing_support::TestApplication();
    bool delivered = false;
    std::atomic<bool> worked{false};
    runtime::StartBackgroundJob({[&] { worked = true; }, {}, [&] { delivered = true; }});
    while (!worked) std::this_thread::yield();
    runtime::InstallErrorReporter([&](const std::string&, const std::string&) {
      for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
      std::fprintf(stderr, delivered ? "delivered under the box\n" : "kept back\n");
    });
    runtime::RaiseError(runtime::kIndexAboveRange);
  };
  EXPECT_EXIT(scenario(), testing::ExitedWithCode(255), "kept back");
}

}  // namespace
