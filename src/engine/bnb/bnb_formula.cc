#include "engine/bnb/bnb_formula.hh"

#include <algorithm>

namespace bnb {

Formula::Formula(const InstanceSnapshot& instance) : nvars(instance.num_vars()) {
  std::vector<int> clause;
  auto add = [&](ClauseView cl, bool is_hard, Cost w) {
    clause.clear();
    for (int d : cl) clause.push_back(make_lit(d));
    std::sort(clause.begin(), clause.end());
    clause.erase(std::unique(clause.begin(), clause.end()), clause.end());
    for (std::size_t i = 1; i < clause.size(); ++i)
      if (clause[i] == negate(clause[i - 1])) return;  // a tautology: satisfied by every assignment
    if (clause.empty()) {
      if (is_hard) empty_hard = true;
      else empty_soft = saturating_add(empty_soft, w);
      return;
    }
    lits.insert(lits.end(), clause.begin(), clause.end());
    starts.push_back(lits.size());
    weight.push_back(is_hard ? hard_weight : w);
    hard.push_back(is_hard ? 1 : 0);
    if (!is_hard) total_soft = saturating_add(total_soft, w);
  };
  for (std::size_t i = 0; i < instance.num_hard(); ++i) add(instance.hard(i), true, 0);
  for (std::size_t i = 0; i < instance.num_soft(); ++i) add(instance.soft(i), false, instance.soft_weight(i));

  const std::size_t nlits = static_cast<std::size_t>(num_lits());
  occ_starts.assign(nlits + 1, 0);
  for (int lit : lits) ++occ_starts[static_cast<std::size_t>(lit) + 1];
  for (std::size_t l = 0; l < nlits; ++l) occ_starts[l + 1] += occ_starts[l];
  occ.resize(lits.size());
  occ_other.resize(lits.size());
  std::vector<std::size_t> fill(occ_starts.begin(), occ_starts.end() - 1);
  occ_pos.resize(lits.size());
  for (int c = 0; c < num_clauses(); ++c)
    for (const int* p = clause_begin(c); p != clause_end(c); ++p) {
      const std::size_t at = fill[static_cast<std::size_t>(*p)]++;
      occ[at] = c;
      occ_other[at] = clause_size(c) != 2 ? -1 : (p == clause_begin(c) ? p[1] : p[-1]);
      occ_pos[static_cast<std::size_t>(p - lits.data())] = at;
    }
  occ_count.resize(nlits);
  for (std::size_t l = 0; l < nlits; ++l) occ_count[l] = static_cast<int>(occ_starts[l + 1] - occ_starts[l]);

  val.assign(nlits, 0);
  nfree.resize(weight.size());
  for (int c = 0; c < num_clauses(); ++c) nfree[static_cast<std::size_t>(c)] = clause_size(c);
}

bool Formula::symmetric_under_complement() const {
  // Clauses are kept sorted, and negating each literal of a sorted clause keeps it sorted (a
  // clause never holds both literals of a variable). So the clauses sorted by their own
  // literals, and sorted by their negated literals, must read the same.
  // `flip_b` reads clause b with its literals negated.
  auto less = [this](int a, int b, int flip_a, int flip_b) {
    const std::size_t i = static_cast<std::size_t>(a), j = static_cast<std::size_t>(b);
    if (hard[i] != hard[j]) return hard[i] < hard[j];
    if (weight[i] != weight[j]) return weight[i] < weight[j];
    return std::lexicographical_compare(clause_begin(a), clause_end(a), clause_begin(b), clause_end(b),
                                        [=](int x, int y) { return (x ^ flip_a) < (y ^ flip_b); });
  };
  if (num_clauses() == 0) return false;
  std::vector<int> plain(static_cast<std::size_t>(num_clauses()));
  for (int c = 0; c < num_clauses(); ++c) plain[static_cast<std::size_t>(c)] = c;
  std::vector<int> mirrored = plain;
  std::sort(plain.begin(), plain.end(), [&](int a, int b) { return less(a, b, 0, 0); });
  std::sort(mirrored.begin(), mirrored.end(), [&](int a, int b) { return less(a, b, 1, 1); });
  // Equal when neither reads less than the other, b negated.
  for (std::size_t i = 0; i < plain.size(); ++i)
    if (less(plain[i], mirrored[i], 0, 1) || less(mirrored[i], plain[i], 1, 0)) return false;
  return true;
}

namespace {

// The flat index of literal `lit` in the clause [first, last).
std::size_t slot_of(const int* base, const int* first, const int* last, int lit) {
  for (const int* p = first; p != last; ++p)
    if (*p == lit) return static_cast<std::size_t>(p - base);
  assert(false);
  return 0;
}

}  // namespace

void Formula::satisfy(int lit) {
  for (const int* p = occ_begin(lit); p != occ_end(lit); ++p) {
    const int c = *p;
    for (const int* q = clause_begin(c); q != clause_end(c); ++q) {
      const int k = *q;
      if (val[static_cast<std::size_t>(k)] != 0) continue;
      // Swap c with the last clause of k's list and shorten the list.
      const std::size_t at = occ_pos[static_cast<std::size_t>(q - lits.data())];
      const std::size_t last = occ_starts[static_cast<std::size_t>(k)] + static_cast<std::size_t>(--occ_count[static_cast<std::size_t>(k)]);
      const int d = occ[last];
      if (d != c) {
        const std::size_t d_slot = slot_of(lits.data(), clause_begin(d), clause_end(d), k);
        occ[at] = d;
        occ_pos[d_slot] = at;
        occ[last] = c;
        occ_pos[static_cast<std::size_t>(q - lits.data())] = last;
        std::swap(occ_other[at], occ_other[last]);
      }
    }
  }
}

void Formula::undo(int lit) {
  for (const int* p = occ_end(lit); p != occ_begin(lit);) {
    const int c = *--p;
    for (const int* q = clause_begin(c); q != clause_end(c); ++q)
      if (val[static_cast<std::size_t>(*q)] == 0) ++occ_count[static_cast<std::size_t>(*q)];
  }
  const int neg = negate(lit);
  for (const int* p = occ_begin(neg); p != occ_end(neg); ++p) ++nfree[static_cast<std::size_t>(*p)];
  val[static_cast<std::size_t>(lit)] = 0;
  val[static_cast<std::size_t>(neg)] = 0;
}

}  // namespace bnb
