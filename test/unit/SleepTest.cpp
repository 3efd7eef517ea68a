#include <gtest/gtest.h>

#include <chrono>

#include "platform/Platform.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/time.h>
#endif

namespace orvax::platform {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

TEST(Sleep, BlocksAtLeastTheTimeAsked) {
  const auto start = Clock::now();
  sleepMilliseconds(60);
  EXPECT_GE(Clock::now() - start, milliseconds(60));
}

#ifndef _WIN32
void ignoreSignal(int) {}

TEST(Sleep, IsNotCutShortBySignals) {
  struct sigaction action {};
  action.sa_handler = ignoreSignal;  // no SA_RESTART: the signal interrupts the sleep
  struct sigaction previous {};
  ASSERT_EQ(sigaction(SIGALRM, &action, &previous), 0);
  itimerval timer{};
  timer.it_value.tv_usec = 10000;
  timer.it_interval.tv_usec = 10000;
  ASSERT_EQ(setitimer(ITIMER_REAL, &timer, nullptr), 0);

  const auto start = Clock::now();
  sleepMilliseconds(100);
  const auto slept = Clock::now() - start;

  timer = {};
  setitimer(ITIMER_REAL, &timer, nullptr);
  sigaction(SIGALRM, &previous, nullptr);
  EXPECT_GE(slept, milliseconds(100));
}
#endif

}  // namespace
}  // namespace orvax::platform
