// The schedule between the core-guided search and the solution-improving phases: what it
// promises an exact run (the phases never spend more than their share of the core-guided
// effort, nothing before the start, nothing while the gap is closing fast) on random runs.
#include <gtest/gtest.h>

#include <random>

#include "engine/anytime_schedule.hh"

namespace {

// Drives a schedule through a random run: the core-guided search reaches each pause with a
// little more effort than asked, the lower bound rises now and then, the phases spend about
// what they are given.
TEST(AnytimeSchedule, PhasesStayWithinTheirShareOfTheCoreEffort) {
  const AnytimeSchedule::Settings settings = AnytimeSchedule::exact_first();
  std::mt19937_64 gen(3);
  for (int run = 0; run < 200; ++run) {
    AnytimeSchedule schedule(settings);
    std::uint64_t core = 0;
    Cost lower = 0;
    const Cost upper = 1000;
    for (int pause = 0; pause < 60; ++pause) {
      ASSERT_GT(schedule.next_pause(), core);
      core = schedule.next_pause() + gen() % 500;
      if (gen() % 3 == 0 && lower < upper - 1) ++lower;
      const std::uint64_t turn = schedule.turn(core, lower, upper);
      if (core < settings.start_effort) {
        EXPECT_EQ(turn, 0u);
      }
      // A turn may overrun a little; the next turns pay for it.
      schedule.spent(turn + (turn > 0 ? gen() % 100 : 0));
      EXPECT_LE(schedule.phase_effort(), core / 100 * settings.share_percent + 100) << "run " << run;
      if (turn > 0) {
        EXPECT_GE(turn, settings.min_turn);
      }
    }
  }
}

TEST(AnytimeSchedule, WaitsWhileTheLowerBoundClosesTheGapAndNotOnceItStalls) {
  AnytimeSchedule schedule(AnytimeSchedule::exact_first());
  // Each pause the bound rises fast enough that, at that rate, the gap to 100 closes before
  // the core-guided effort has doubled.
  for (Cost lower : {50, 60, 70})
    EXPECT_EQ(schedule.turn(schedule.next_pause(), lower, 100), 0u) << "lower " << lower;
  // The bound stops: the whole budget saved up comes at once.
  const std::uint64_t core = schedule.next_pause();
  EXPECT_EQ(schedule.turn(core, 70, 100), core / 100 * AnytimeSchedule::exact_first().share_percent);
}

TEST(AnytimeSchedule, EverySliceGivesTurnsFromTheStartDoubledWhileTheBoundStands) {
  AnytimeSchedule schedule(AnytimeSchedule::every_slice(500));
  EXPECT_EQ(schedule.next_pause(), 0u);
  EXPECT_EQ(schedule.turn(0, 1, 10), 500u);
  EXPECT_EQ(schedule.turn(schedule.next_pause(), 1, 10), 1000u);
  EXPECT_EQ(schedule.turn(schedule.next_pause(), 1, 10), 2000u);
  EXPECT_EQ(schedule.next_pause(), 3500u);
  EXPECT_EQ(schedule.turn(schedule.next_pause(), 2, 10), 500u);
  EXPECT_EQ(schedule.next_pause(), 4000u);
}

}  // namespace
