// At-most-one encoders over a list of variables x0 ... x(n-1):
//  - pairwise: (-xa v -xb) for every pair; quadratic, no auxiliary variables;
//  - sequential counter: auxiliaries s0 ... s(n-2), where s(i) is forced true by any true
//    variable among x0 ... xi and a true s(i-1) forbids xi; 3n-4 clauses;
//  - bitwise: auxiliaries y0 ... y(k-1), k = ceil(log2 n); xi true forces the y's to spell the
//    binary code of i (y0 most significant), so no two x's can be true together; n*k clauses.
// The per-core exactly-one constraint and the per-clause at-most-one constraint share these,
// so both produce the same clauses with the same allocation of auxiliary variables.
#include "engine/qrn/card_encodings.hh"

#include <cassert>

#include "config/qrn_config.hh"

namespace {

// Builds each clause in one scratch vector; add_clause sorts it in place.
class ClauseSink {
public:
  ClauseSink(BasicClauseSet& clset, ClauseList* added) : clset(clset), added(added) {}

  void add(long a, long b) {
    scratch.assign({a, b});
    BasicClause* cl = clset.add_clause(scratch);
    if (added != nullptr && cl != nullptr) added->push_back(cl);
  }

private:
  BasicClauseSet& clset;
  ClauseList* added;
  LitVector scratch;
};

void encode_pairwise(const std::vector<long>& x, ClauseSink& sink) {
  const std::size_t n = x.size();
  for (std::size_t a = 0; a + 1 < n; ++a)
    for (std::size_t b = a + 1; b < n; ++b) sink.add(-x[a], -x[b]);
}

void encode_seq_counter(const std::vector<long>& x, IDManager& imgr, ClauseSink& sink) {
  const std::size_t n = x.size();
  if (n < 2) return;
  long prev = imgr.new_id();  // s0
  sink.add(-x[0], prev);
  for (std::size_t i = 1; i + 1 < n; ++i) {
    sink.add(-x[i], -prev);
    long cur = imgr.new_id();
    sink.add(-x[i], cur);
    sink.add(-prev, cur);
    prev = cur;
  }
  sink.add(-x[n - 1], -prev);
}

void encode_bitwise(const std::vector<long>& x, IDManager& imgr, ClauseSink& sink) {
  const std::size_t n = x.size();
  const int k = bitwise_width(n);
  std::vector<long> y(static_cast<std::size_t>(k));
  for (int b = 0; b < k; ++b) y[static_cast<std::size_t>(b)] = imgr.new_id();
  std::vector<bool> code(static_cast<std::size_t>(k), false);  // code[k-1] least significant
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t b = 0; b < y.size(); ++b) sink.add(-x[i], code[b] ? y[b] : -y[b]);
    for (std::size_t b = y.size(); b-- > 0;) {
      code[b] = !code[b];
      if (code[b]) break;  // no carry
    }
  }
}

}  // namespace

int bitwise_width(std::size_t n) {
  assert(n > 0);
  int width = 0;
  while ((std::size_t(1) << width) < n) ++width;
  return width;
}

bool has_amo_encoder(int encoding) {
  return encoding == QRN_ENC_PAIRWISE || encoding == QRN_ENC_SEQ_COUNTER ||
         encoding == QRN_ENC_BITWISE;
}

void encode_at_most_one(int encoding, const std::vector<long>& vars, IDManager& imgr,
                        BasicClauseSet& clset, ClauseList* added) {
  ClauseSink sink(clset, added);
  switch (encoding) {
    case QRN_ENC_PAIRWISE: encode_pairwise(vars, sink); break;
    case QRN_ENC_SEQ_COUNTER: encode_seq_counter(vars, imgr, sink); break;
    case QRN_ENC_BITWISE: encode_bitwise(vars, imgr, sink); break;
    default: assert(false && "encoding without encoder");
  }
}
