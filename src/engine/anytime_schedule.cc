#include "engine/anytime_schedule.hh"

#include <algorithm>

namespace {

__extension__ typedef unsigned __int128 Wide;

}  // namespace

AnytimeSchedule::Settings AnytimeSchedule::exact_first() {
  Settings s;
  s.start_effort = 60000;
  s.core_slice_percent = 25;
  s.min_core_slice = 20000;
  s.share_percent = 40;
  s.min_turn = 20000;
  s.yield_to_progress = true;
  s.fixed_turn = 0;
  return s;
}

AnytimeSchedule::Settings AnytimeSchedule::every_slice(std::uint64_t slice) {
  Settings s;
  s.start_effort = 0;
  s.core_slice_percent = 0;
  s.min_core_slice = slice;
  s.share_percent = 0;
  s.min_turn = 0;
  s.yield_to_progress = false;
  s.fixed_turn = slice;
  return s;
}

// At the rate of the last core-guided slice, the lower bound would meet the upper one before
// the core-guided effort has doubled.
bool AnytimeSchedule::closing_the_gap(std::uint64_t core_effort, Cost lower, Cost upper) const {
  if (lower <= last_lower || core_effort <= last_effort) return false;
  const Cost gap = upper > lower ? upper - lower : 0;
  return Wide(gap) * (core_effort - last_effort) <= Wide(lower - last_lower) * core_effort;
}

// Fixed turns: a paused SAT call starts again, so a slice in which the lower bound did not rise
// doubles the next slices of both kinds (a call longer than the slice would never end
// otherwise), and one in which it rose restores the base length.
std::uint64_t AnytimeSchedule::fixed_turn(std::uint64_t core_effort, Cost lower) {
  if (lower > last_lower || fixed_slice == 0)
    fixed_slice = settings.fixed_turn;
  else if (fixed_slice < max_fixed_slice)
    fixed_slice *= 2;
  last_effort = core_effort;
  last_lower = lower;
  pause_at = saturating_add(core_effort, fixed_slice);
  return fixed_slice;
}

std::uint64_t AnytimeSchedule::turn(std::uint64_t core_effort, Cost lower, Cost upper) {
  if (settings.fixed_turn != 0) return fixed_turn(core_effort, lower);
  const bool wait = settings.yield_to_progress && closing_the_gap(core_effort, lower, upper);
  last_effort = core_effort;
  last_lower = lower;
  const std::uint64_t slice = std::max(settings.min_core_slice, core_effort / 100 * settings.core_slice_percent);
  pause_at = saturating_add(core_effort, slice);
  if (wait) return 0;
  const std::uint64_t budget = core_effort / 100 * settings.share_percent;
  if (budget <= phases || budget - phases < settings.min_turn) return 0;
  return budget - phases;
}
