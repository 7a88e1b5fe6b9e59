// Readers of the instance formats (cnf, wcnf, pmcnf, scnf, and the 2022+ WCNF format without a
// problem line), templates over the stream type. The four formats with a problem line share one
// line loop: blanks are skipped, a line starting with c is a comment, one
// starting with p a problem line, anything else the start of a clause; clauses end with 0 and
// may span lines. Literals go into one vector that is reused for every clause, so the hot path
// allocates only when a new clause object is made.
//
// A clause that occurs more than once is one clause object (the registry hash-conses literal
// sequences); in cnf, wcnf and pmcnf its occurrences add up: the weights are summed, saturating
// and capped at the top weight, and a clause hard in any occurrence stays hard. scnf weights are
// group ids and are not merged.
#ifndef QUARNEL_INPUT_FORMAT_PARSERS_HH
#define QUARNEL_INPUT_FORMAT_PARSERS_HH

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "clauses/basic_clause_set.hh"
#include "clauses/id_manager.hh"
#include "config/qrn_config.hh"
#include "input/tokenizer.hh"

// The weight of a clause after one more occurrence of weight `w`, given what add_clause_tracked
// found: a clause that was not yet in the set starts from 0.
inline Cost merged_weight(const BasicClauseSet::AddOutcome& out, Cost w, Cost top) {
  const Cost base = out.was_member ? out.prev_weight : 0;
  return std::min(saturating_add(base, w), top);
}

// Whether the problem line ends here: at a newline, at a carriage return followed by a newline,
// or at the end of input; the line end is consumed. A carriage return elsewhere is a blank.
template <class B> bool at_problem_line_end(B& in) {
  for (;;) {
    skip_tab_space(in);
    int c = *in;
    if (c == '\n') {
      ++in;
      return true;
    }
    if (c == B::eof) return true;
    if (c != '\r') return false;
    ++in;
  }
}

// The numeric fields of a problem line, up to its end. The number of variables is read but not
// used; the number of clauses sizes the clause set's tables (at most `reserve_limit` clauses,
// since the file may claim more than it holds); when `top_target` is given, a third field sets
// its top weight. Any further field is an error.
template <class B>
void read_problem_fields(B& in, BasicClauseSet& clset, BasicClauseSet* top_target, std::size_t reserve_limit) {
  for (int field = 1; !at_problem_line_end(in); ++field) {
    ParsedNumber n = read_number(in, max_unsigned_field);
    if (field == 2 && !n.negative()) clset.reserve_more(n.magnitude < reserve_limit ? n.magnitude : reserve_limit);
    if (field <= 2) continue;
    if (field == 3 && top_target != nullptr) {
      if (n.negative()) parse_error_out_of_range(n.as_written());
      top_target->set_top_weight(n.magnitude);
    } else {
      parse_error_unexpected_int(n.value_text());
    }
  }
}

// What the readers share: the stream, the targets, the largest variable seen, the literal vector
// of the current clause, and the clauses read but not yet added.
//
// Adding a clause means a lookup in the registry, whose table is far larger than the caches: on
// a large instance that memory access, not the parsing, is what reading costs. So a clause that
// has been read is only announced to the registry (its place in the table is fetched into the
// cache) and added a few clauses later, in file order, while the parsing of the next ones hides
// the wait. Before a problem line, which may change how later clauses are taken, and at the end,
// the clauses still waiting are added.
template <class B> class ClauseReaderBase {
public:
  ClauseReaderBase(B& in, IDManager& imgr, BasicClauseSet& clset, std::size_t reserve_limit = 0)
      : in(in), imgr(imgr), clset(clset), reserve_limit(reserve_limit) {}

  // Raises the id manager past the instance's variables. maxvar starts at 1, so even an
  // instance without literals reserves variable 1.
  void finish() { imgr.set_top_id(imgr.get_top_id() + maxvar); }

  // Adds the clauses still waiting, in the order they were read.
  template <class Reader> void add_waiting(Reader& r) {
    while (count > 0) add_oldest(r);
  }

  // Whether some soft clause weighs more than 1 because it occurred more than once: such an
  // instance has to be solved as weighted MaxSAT.
  bool has_heavy_soft_clause() const {
    for (const BasicClause* cl : grown)
      if (cl->get_weight() > 1 && !clset.is_hard(cl)) return true;
    return false;
  }

protected:
  static constexpr std::size_t lookahead = 8;
  struct Waiting {
    LitVector lits;
    Cost weight = 0;
  };

  // Queues the literals just read (in `lits`, which gets an empty vector back) with `weight`;
  // the oldest waiting clause goes to `add(lits, weight)` of the reader once the queue is full.
  template <class Reader> void queue_clause(Reader& r, Cost weight) {
    Waiting& w = waiting[(first + count) % lookahead];
    w.lits.swap(lits);
    w.weight = weight;
    sort_literals(w.lits.data(), w.lits.data() + w.lits.size());
    clset.prefetch(w.lits);
    if (++count == lookahead) add_oldest(r);
  }

  void read_literals() {
    lits.clear();
    if (read_plain_literals()) return;
    for (;;) {
      int l = parseInt(in);
      if (l == 0) return;
      long var = std::labs(l);
      if (var > maxvar) maxvar = var;
      lits.push_back(l);
    }
  }

  // The common case of read_literals, straight from the stream's buffer: blanks, literals of at
  // most nine digits with an optional minus sign, the final 0. Anything else (a plus sign, a
  // longer number, a character that is no digit, the last bytes of the buffer) stops it at the
  // start of that token, and the general loop goes on from there with its checks and messages.
  // Returns whether the clause's 0 was read.
  bool read_plain_literals() {
    const char* p = in.cursor();
    // A token of this path is at most 11 bytes with the byte after it: stopping 16 bytes short
    // of the end never reads past the buffer.
    const char* stop = in.cursor_end() - 16;
    for (;;) {
      while (p < stop && is_blank_char(static_cast<unsigned char>(*p))) ++p;
      if (p >= stop) break;
      const char* token = p;
      const bool negative = *p == '-';
      if (negative) ++p;
      if (!is_digit_char(static_cast<unsigned char>(*p))) {
        p = token;
        break;
      }
      long v = 0;
      int digits = 0;
      do {
        v = v * 10 + (*p - '0');
        ++p;
        ++digits;
      } while (digits < 9 && is_digit_char(static_cast<unsigned char>(*p)));
      if (is_digit_char(static_cast<unsigned char>(*p))) {
        p = token;
        break;
      }
      if (v == 0) {
        in.advance_to(p);
        return true;
      }
      if (v > maxvar) maxvar = v;
      lits.push_back(negative ? -v : v);
    }
    in.advance_to(p);
    return false;
  }

  // Notes a clause of a cnf or pmcnf instance (one or top weight per occurrence) that repetition
  // has just made heavier than 1. Weights there only grow, so each clause is noted once.
  void note_merged(const BasicClauseSet::AddOutcome& out, Cost merged) {
    if (out.was_member && merged > 1 && out.prev_weight <= 1) grown.push_back(out.cl);
  }

  B& in;
  IDManager& imgr;
  BasicClauseSet& clset;
  // The most clauses a problem line may make room for.
  std::size_t reserve_limit;
  LitVector lits;
  long maxvar = 1;
  std::vector<BasicClause*> grown;

private:
  template <class Reader> void add_oldest(Reader& r) {
    Waiting& w = waiting[first];
    first = (first + 1) % lookahead;
    --count;
    r.add(w.lits, w.weight);
  }

  Waiting waiting[lookahead];
  std::size_t first = 0;
  std::size_t count = 0;
};

// The problem line of wcnf, pmcnf and scnf: the word after p, then what the word calls for.
template <class B, class Reader> void read_problem_line(B& in, Reader& r) {
  ++in;
  skip_tab_space(in);
  r.problem_line_after_word(readString(in));
}

// The line loop of all formats. When `problem_word` is given, the stream stands just after the
// word of the first problem line, which the caller has already read (an input that cannot be
// opened twice is read in one pass).
template <class B, class Reader> void read_instance_lines(B& in, Reader& r, const std::string* problem_word) {
  if (problem_word != nullptr) r.problem_line_after_word(*problem_word);
  for (;;) {
    skip_whitespace(in);
    int c = *in;
    if (c == B::eof) break;
    if (c == 'c') {
      skip_line(in);
    } else if (c == 'p') {
      r.add_waiting(r);
      r.problem_line();
    } else {
      r.clause_line();
    }
  }
  r.add_waiting(r);
  r.finish();
}

// cnf: every clause is soft with weight 1 (the set's default kind is CL_SOFT); problem lines are
// skipped.
template <class B> class CnfReader : public ClauseReaderBase<B> {
public:
  using ClauseReaderBase<B>::ClauseReaderBase;
  // Problem lines are skipped as they always were; only the first one's clause count is used,
  // to size the tables, when it is written as a plain number.
  void problem_line() {
    ++this->in;
    skip_tab_space(this->in);
    read_word_chars(this->in, is_word_char);
    problem_line_after_word(std::string());
  }
  void problem_line_after_word(const std::string&) {
    if (!sized) {
      sized = true;
      ParsedNumber n;
      int bad = 0;
      std::string text;
      skip_tab_space(this->in);
      if (scan_number(this->in, max_unsigned_field, n, bad, text) == NumberScan::ok) {
        skip_tab_space(this->in);
        if (scan_number(this->in, max_unsigned_field, n, bad, text) == NumberScan::ok && !n.negative())
          this->clset.reserve_more(n.magnitude < this->reserve_limit ? n.magnitude : this->reserve_limit);
      }
    }
    skip_line(this->in);
  }
  void clause_line() {
    this->read_literals();
    this->queue_clause(*this, 1);
  }
  void add(LitVector& lits, Cost) {
    // add_clause has given the clause weight 1 and counted it; a repetition adds up.
    BasicClauseSet::AddOutcome out = this->clset.add_clause_tracked(lits);
    if (!out.was_member) return;
    Cost merged = merged_weight(out, 1, this->clset.get_top_weight());
    out.cl->set_weight(merged);
    this->note_merged(out, merged);
  }

private:
  bool sized = false;
};

// wcnf and scnf: "p WORD vars clauses [top]"; each clause is a number (a weight, a group id),
// then its literals. `Format` is the reader of one of them: it names its problem word and takes
// each clause with its number in add().
template <class B, class Format> class NumberedClauseReader : public ClauseReaderBase<B> {
public:
  using ClauseReaderBase<B>::ClauseReaderBase;
  void problem_line() { read_problem_line(this->in, *this); }
  void problem_line_after_word(const std::string& word) {
    if (word != Format::problem_word) parse_error_unexpected_int(word);
    read_problem_fields(this->in, this->clset, &this->clset, this->reserve_limit);
  }
  void clause_line() {
    const Cost number = read_weight(this->in);
    this->read_literals();
    this->queue_clause(static_cast<Format&>(*this), number);
  }
};

// wcnf: each clause is its weight, then its literals.
template <class B> class WcnfReader : public NumberedClauseReader<B, WcnfReader<B>> {
public:
  static constexpr const char* problem_word = "wcnf";
  using NumberedClauseReader<B, WcnfReader<B>>::NumberedClauseReader;
  void add(LitVector& lits, Cost w) {
    // add_clause has counted the clause with the default weight 0 (so any clause line makes the
    // instance weighted); the real weight is a plain store.
    BasicClauseSet::AddOutcome out = this->clset.add_clause_tracked(lits);
    out.cl->set_weight(merged_weight(out, w, this->clset.get_top_weight()));
  }
};

// pmcnf: "p pmcnf vars clauses", then sections opened by "p hard" and "p soft" (soft until the
// first of them).
template <class B> class PmcnfReader : public ClauseReaderBase<B> {
public:
  using ClauseReaderBase<B>::ClauseReaderBase;
  void problem_line() { read_problem_line(this->in, *this); }
  void problem_line_after_word(const std::string& word) {
    if (word == "hard" || word == "soft") {
      hard = word == "hard";
      ++this->in;  // the line end; further blanks go with the line loop
    } else if (word == "pmcnf") {
      read_problem_fields(this->in, this->clset, nullptr, this->reserve_limit);
    } else {
      parse_error_unexpected_format(word);
    }
  }
  void clause_line() {
    this->read_literals();
    this->queue_clause(*this, 0);
  }
  void add(LitVector& lits, Cost) {
    BasicClauseSet::AddOutcome out = this->clset.add_clause_tracked(lits);
    Cost top = this->clset.get_top_weight();
    Cost merged = merged_weight(out, hard ? top : 1, top);
    this->clset.set_cl_weight(out.cl, merged);
    this->note_merged(out, merged);
  }

private:
  bool hard = false;
};

// scnf: each clause is its group id, then its literals. The clause joins the group, and its
// weight field holds the group id.
template <class B> class ScnfReader : public NumberedClauseReader<B, ScnfReader<B>> {
public:
  static constexpr const char* problem_word = "scnf";
  using NumberedClauseReader<B, ScnfReader<B>>::NumberedClauseReader;
  void add(LitVector& lits, Cost grp) {
    BasicClause* cl = this->clset.add_clause(lits);
    // Group ids beyond the range of long keep their bits: the map key is just an identifier.
    this->clset.set_cl_group(cl, static_cast<long>(grp));
  }
};

// The 2022+ WCNF format: no problem line; "h <lits> 0" is a hard clause, "<w> <lits> 0" a soft
// clause of weight w (0 to 2^64-1), comment lines as in the other formats; each clause is one
// line, its 0 last. The top weight is the sum of the soft weights plus 1, so that no set of
// soft clauses weighs as much as a hard one (what tools/wcnf2old writes into an old-format
// twin); while reading, hard clauses weigh 2^64-1 and take the top weight at the end.
// Repeated clauses merge as in wcnf. A problem line anywhere means the file is not in this
// format: the run ends with "File without format line", even when a malformed line comes
// before it. A malformed line ends the run with a parse error that names the line.
template <class B> class NewWcnfReader : public ClauseReaderBase<B> {
public:
  // `line` is the number of the line the stream stands on.
  NewWcnfReader(B& in, IDManager& imgr, BasicClauseSet& clset, long line)
      : ClauseReaderBase<B>(in, imgr, clset), line(line) {}

  MS_Problems read() {
    BasicClauseSet& clset = this->clset;
    clset.set_top_weight(reading_top);
    B& in = this->in;
    for (;;) {
      skip_whitespace_counting(in, line);
      int c = *in;
      if (c == B::eof) break;
      if (c == 'c') {
        skip_line(in);
        ++line;
      } else if (c == 'p') {
        no_format_line();
      } else {
        clause_line(c);
      }
    }
    this->add_waiting(*this);
    this->finish();
    return settle_weights();
  }

private:
  static constexpr Cost reading_top = saturated_cost;

  void clause_line(int c) {
    B& in = this->in;
    const bool hard = c == 'h';
    Cost w = reading_top;
    if (hard) {
      ++in;
    } else {
      ParsedNumber n = number(max_unsigned_field);
      if (n.negative()) fail("Number out of range: " + n.as_written());
      w = n.magnitude;
      if (!checked_add(soft_sum, w)) fail("Soft weights add up beyond 18446744073709551614");
    }
    this->lits.clear();
    for (;;) {
      skip_line_blanks();
      if (*in == '\n' || *in == B::eof) fail("Clause without its final 0");
      ParsedNumber n = number(max_literal);
      if (n.magnitude == 0) break;
      long l = static_cast<long>(n.magnitude);
      if (l > this->maxvar) this->maxvar = l;
      this->lits.push_back(n.sign == '-' ? -l : l);
    }
    skip_line_blanks();
    c = *in;
    if (c == '\n') {
      ++in;
      ++line;
    } else if (c != B::eof) {
      fail(unexpected(c));
    }
    this->queue_clause(*this, w);
  }

public:
  void add(LitVector& lits, Cost w) {
    BasicClauseSet::AddOutcome out = this->clset.add_clause_tracked(lits);
    out.cl->set_weight(merged_weight(out, w, reading_top));
  }

private:

  // Blanks within a line: everything is_blank_char accepts but the newline.
  void skip_line_blanks() {
    for (int c = *this->in; c != '\n' && is_blank_char(c); c = *this->in) ++this->in;
  }

  ParsedNumber number(std::uint64_t limit) {
    ParsedNumber n;
    int bad = 0;
    std::string text;
    switch (scan_number(this->in, limit, n, bad, text)) {
      case NumberScan::ok: break;
      case NumberScan::not_a_number: fail(unexpected(bad));
      case NumberScan::out_of_range: fail("Number out of range: " + text);
    }
    return n;
  }

  static std::string unexpected(int c) {
    return "Unexpected char: " + std::string(1, static_cast<char>(c < 0 ? 0xFF : c));
  }

  // A problem line further on takes precedence over the error: the file is then no 2022+ file.
  [[noreturn]] void fail(const std::string& what) {
    B& in = this->in;
    skip_line(in);
    for (;;) {
      skip_whitespace(in);
      int c = *in;
      if (c == B::eof) break;
      if (c == 'p') no_format_line();
      skip_line(in);
    }
    parse_error_at_line(line, what);
  }

  // The top weight from the soft weights; hard clauses take it. Plain when there is no hard
  // clause and every soft clause weighs 1, partial when only the hard ones do not, weighted
  // otherwise.
  MS_Problems settle_weights() {
    BasicClauseSet& clset = this->clset;
    const Cost top = soft_sum + 1;
    clset.set_top_weight(top);
    bool any_hard = false;
    bool unit_soft = true;
    for (BasicClause* cl : clset) {
      if (cl->get_weight() >= top) {
        cl->set_weight(top);
        any_hard = true;
      } else if (cl->get_weight() != 1) {
        unit_soft = false;
      }
    }
    if (!unit_soft) return MS_WEIGHTED;
    return any_hard ? MS_PARTIAL : MS_PLAIN;
  }

  long line;
  Cost soft_sum = 0;
};

// Entry points, one per format. Each reads the whole stream into `clset` and raises `imgr` by
// the largest variable; a problem line's clause count sizes the tables for at most
// `reserve_limit` clauses. parse_cnf_file and parse_pmcnf_file return whether repetition made
// some soft clause heavier than 1; parse_new_wcnf_file returns the problem type.
template <template <class> class Reader, class B>
bool read_format(B& in, IDManager& imgr, BasicClauseSet& clset, const std::string* problem_word,
                 std::size_t reserve_limit) {
  Reader<B> r(in, imgr, clset, reserve_limit);
  read_instance_lines(in, r, problem_word);
  return r.has_heavy_soft_clause();
}

template <class B>
bool parse_cnf_file(B& in, IDManager& imgr, BasicClauseSet& clset, const std::string* problem_word = nullptr,
                    std::size_t reserve_limit = 0) {
  return read_format<CnfReader>(in, imgr, clset, problem_word, reserve_limit);
}

template <class B>
bool parse_pmcnf_file(B& in, IDManager& imgr, BasicClauseSet& clset, const std::string* problem_word = nullptr,
                      std::size_t reserve_limit = 0) {
  return read_format<PmcnfReader>(in, imgr, clset, problem_word, reserve_limit);
}

template <class B>
void parse_wcnf_file(B& in, IDManager& imgr, BasicClauseSet& clset, const std::string* problem_word = nullptr,
                     std::size_t reserve_limit = 0) {
  read_format<WcnfReader>(in, imgr, clset, problem_word, reserve_limit);
}

template <class B>
void parse_scnf_file(B& in, IDManager& imgr, BasicClauseSet& clset, const std::string* problem_word = nullptr,
                     std::size_t reserve_limit = 0) {
  read_format<ScnfReader>(in, imgr, clset, problem_word, reserve_limit);
}

// `line` is the number of the line the stream stands on (1 at the start of the file).
template <class B> MS_Problems parse_new_wcnf_file(B& in, IDManager& imgr, BasicClauseSet& clset, long line = 1) {
  NewWcnfReader<B> r(in, imgr, clset, line);
  return r.read();
}

#endif
