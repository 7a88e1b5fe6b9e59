#include "engine/oll/totalizer.hh"

#include <algorithm>

Totalizer::Totalizer(SatOracle& sat, const std::vector<int>& inputs, int bound) {
  nodes.reserve(2 * inputs.size());
  build(inputs, 0, inputs.size());
  extend(sat, bound);
}

int Totalizer::build(const std::vector<int>& inputs, std::size_t from, std::size_t to) {
  Node node;
  node.inputs = static_cast<int>(to - from);
  if (to - from == 1) {
    node.outs.push_back(inputs[from]);
  } else {
    std::size_t mid = from + (to - from) / 2;
    node.left = build(inputs, from, mid);
    node.right = build(inputs, mid, to);
  }
  nodes.push_back(std::move(node));
  return static_cast<int>(nodes.size() - 1);
}

void Totalizer::extend(SatOracle& sat, int bound) { extend_node(sat, static_cast<int>(nodes.size() - 1), bound); }

// Adds the outputs from the old bound up to `bound` and every clause "left >= i and right >= j
// imply this >= i+j" with i+j <= bound that the node did not have yet.
void Totalizer::extend_node(SatOracle& sat, int index, int bound) {
  Node& node = nodes[static_cast<std::size_t>(index)];
  if (node.left < 0) return;
  const int target = std::min(bound, node.inputs);
  const int old_bound = static_cast<int>(node.outs.size());
  if (target <= old_bound) return;
  const int left = node.left, right = node.right;
  const int old_left = static_cast<int>(nodes[static_cast<std::size_t>(left)].outs.size());
  const int old_right = static_cast<int>(nodes[static_cast<std::size_t>(right)].outs.size());
  extend_node(sat, left, target);
  extend_node(sat, right, target);
  // The children may have grown the vector of nodes' contents, not the vector itself: no node is
  // added after construction, so references stay valid.
  const std::vector<int>& lo = nodes[static_cast<std::size_t>(left)].outs;
  const std::vector<int>& ro = nodes[static_cast<std::size_t>(right)].outs;
  while (static_cast<int>(node.outs.size()) < target) node.outs.push_back(sat.new_var());
  const int nl = static_cast<int>(lo.size()), nr = static_cast<int>(ro.size());
  for (int i = 0; i <= nl; ++i) {
    for (int j = 0; j <= nr && i + j <= target; ++j) {
      if (i + j == 0) continue;
      if (i <= old_left && j <= old_right && i + j <= old_bound) continue;
      clause.clear();
      if (i > 0) clause.push_back(-lo[static_cast<std::size_t>(i - 1)]);
      if (j > 0) clause.push_back(-ro[static_cast<std::size_t>(j - 1)]);
      clause.push_back(node.outs[static_cast<std::size_t>(i + j - 1)]);
      sat.add_clause(clause);
    }
  }
}
