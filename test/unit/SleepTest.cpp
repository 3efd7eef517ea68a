#include <gtest/gtest.h>

#include <chrono>

#include "platform/Platform.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/time.h>
#endif

namespace orvax::platform {
namespace {

#ifndef _WIN32
void ignoreSignal(int) {}
#endif

TEST(Sleep, BlocksAtLeastTheTimeAskedThoughSignalsArrive) {
#ifndef _WIN32
  struct sigaction action {}, previous{};
  action.sa_handler = ignoreSignal;  // no SA_RESTART: the signal interrupts the sleep
  ASSERT_EQ(sigaction(SIGALRM, &action, &previous), 0);
  itimerval timer{{0, 10000}, {0, 10000}};
  ASSERT_EQ(setitimer(ITIMER_REAL, &timer, nullptr), 0);
#endif
  const auto start = std::chrono::steady_clock::now();
  sleepMilliseconds(100);
  const auto slept = std::chrono::steady_clock::now() - start;
#ifndef _WIN32
  timer = {};
  setitimer(ITIMER_REAL, &timer, nullptr);
  sigaction(SIGALRM, &previous, nullptr);
#endif
  EXPECT_GE(slept, std::chrono::milliseconds(100));
}

}  // namespace
}  // namespace orvax::platform
