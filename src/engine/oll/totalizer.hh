// An incremental totalizer: counts how many of its input literals are true. Output k (from 1)
// is forced true by the clauses whenever at least k inputs are true; the other direction is not
// encoded, which is all a core-guided engine needs (it only ever assumes outputs false). The
// outputs are built lazily, up to a bound, and extend() raises the bound later without
// rebuilding what exists.
#ifndef QUARNEL_ENGINE_OLL_TOTALIZER_HH
#define QUARNEL_ENGINE_OLL_TOTALIZER_HH

#include <vector>

#include "sat/sat_oracle.hh"

class Totalizer {
public:
  // Builds the tree over `inputs` (at least one) with outputs up to `bound`.
  Totalizer(SatOracle& sat, const std::vector<int>& inputs, int bound);

  // Makes outputs up to `bound` exist; a bound beyond the number of inputs is clamped.
  void extend(SatOracle& sat, int bound);

  int num_inputs() const { return nodes.back().inputs; }
  // Outputs built so far: min(bound, number of inputs).
  int bound() const { return static_cast<int>(nodes.back().outs.size()); }
  // The literal "at least k inputs are true", 1 <= k <= bound().
  int output(int k) const { return nodes.back().outs[static_cast<std::size_t>(k - 1)]; }

private:
  struct Node {
    int left = -1, right = -1;  // children's indices; -1 for a leaf
    int inputs = 0;
    std::vector<int> outs;      // outs[k-1]: at least k inputs below are true
  };

  int build(const std::vector<int>& inputs, std::size_t from, std::size_t to);
  void extend_node(SatOracle& sat, int node, int bound);

  std::vector<Node> nodes;  // children before parents; the root is last
  std::vector<int> clause;  // scratch
};

#endif
