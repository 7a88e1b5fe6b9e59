// Built bottom-up over a balanced split of the inputs. A node's sums are the sums of its left
// child, of its right child and of every pair of both, each capped at cap + 1; for every
// combination one clause "left >= a and right >= b imply node >= a + b" is added, where a
// missing side stands for the sum 0.
#include "engine/oll/generalized_totalizer.hh"

#include <algorithm>
#include <cassert>

namespace {

Cost capped_sum(Cost a, Cost b, Cost cap) { return std::min(saturating_add(a, b), cap + 1); }

// The sums a node over `left` and `right` can reach, for the estimate.
std::vector<Cost> merged_sums(const std::vector<Cost>& left, const std::vector<Cost>& right, Cost cap) {
  std::vector<Cost> sums(left);
  sums.insert(sums.end(), right.begin(), right.end());
  for (Cost a : left)
    for (Cost b : right) sums.push_back(capped_sum(a, b, cap));
  std::sort(sums.begin(), sums.end());
  sums.erase(std::unique(sums.begin(), sums.end()), sums.end());
  return sums;
}

std::vector<Cost> estimate(const std::vector<GeneralizedTotalizer::Input>& inputs, std::size_t from,
                           std::size_t to, Cost cap, std::uint64_t& clauses, std::uint64_t limit) {
  if (to - from == 1) return {std::min(inputs[from].weight, cap + 1)};
  const std::size_t mid = from + (to - from) / 2;
  const std::vector<Cost> left = estimate(inputs, from, mid, cap, clauses, limit);
  if (clauses > limit) return {};
  const std::vector<Cost> right = estimate(inputs, mid, to, cap, clauses, limit);
  if (clauses > limit) return {};
  clauses += left.size() + right.size() + left.size() * right.size();
  if (clauses > limit) return {};
  return merged_sums(left, right, cap);
}

}  // namespace

std::uint64_t GeneralizedTotalizer::estimated_clauses(const std::vector<Input>& inputs, Cost cap,
                                                      std::uint64_t limit) {
  std::uint64_t clauses = 0;
  if (!inputs.empty()) estimate(inputs, 0, inputs.size(), cap, clauses, limit);
  return clauses;
}

GeneralizedTotalizer::GeneralizedTotalizer(SatOracle& sat, const std::vector<Input>& inputs, Cost cap, int guard)
    : cap(cap), guard(guard) {
  if (!inputs.empty()) root = build(sat, inputs, 0, inputs.size());
  // A node's outputs are forced for the sums of subsets of its true inputs only: true inputs
  // of weights 3 and 12 force 3, 12 and 15 but not 5. Chaining the root's outputs downwards
  // makes every output up to the true weight hold, so that at_least(k) false bounds the weight.
  for (std::size_t i = 1; i < root.size(); ++i) {
    clause.assign({-root[i].second, root[i - 1].second});
    add(sat);
  }
}

GeneralizedTotalizer::Outputs GeneralizedTotalizer::build(SatOracle& sat, const std::vector<Input>& inputs,
                                                          std::size_t from, std::size_t to) {
  if (to - from == 1) {
    assert(inputs[from].weight > 0);
    return {{std::min(inputs[from].weight, cap + 1), inputs[from].lit}};
  }
  const std::size_t mid = from + (to - from) / 2;
  const Outputs left = build(sat, inputs, from, mid);
  const Outputs right = build(sat, inputs, mid, to);
  return merge(sat, left, right);
}

GeneralizedTotalizer::Outputs GeneralizedTotalizer::merge(SatOracle& sat, const Outputs& left,
                                                          const Outputs& right) {
  std::vector<Cost> left_sums, right_sums;
  for (const auto& o : left) left_sums.push_back(o.first);
  for (const auto& o : right) right_sums.push_back(o.first);
  Outputs node;
  for (Cost sum : merged_sums(left_sums, right_sums, cap)) node.emplace_back(sum, sat.new_var());
  auto output = [&node](Cost sum) {
    auto it = std::lower_bound(node.begin(), node.end(), std::make_pair(sum, 0));
    assert(it != node.end() && it->first == sum);
    return it->second;
  };
  auto imply = [&](int a, int b, Cost sum) {
    clause.clear();
    if (a != 0) clause.push_back(-a);
    if (b != 0) clause.push_back(-b);
    clause.push_back(output(sum));
    add(sat);
  };
  for (const auto& l : left) imply(l.second, 0, l.first);
  for (const auto& r : right) imply(0, r.second, r.first);
  for (const auto& l : left)
    for (const auto& r : right) imply(l.second, r.second, capped_sum(l.first, r.first, cap));
  return node;
}

void GeneralizedTotalizer::add(SatOracle& sat) {
  if (guard != 0) clause.push_back(-guard);
  sat.add_clause(clause);
}

int GeneralizedTotalizer::at_least(Cost value) const {
  // By sum alone: a root that is a single input has that input's literal, which may be negative.
  auto it = std::lower_bound(root.begin(), root.end(), value,
                             [](const std::pair<Cost, int>& output, Cost sum) { return output.first < sum; });
  return it == root.end() ? 0 : it->second;
}
