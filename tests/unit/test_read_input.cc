// Reading instances of the four formats: what ends up in the clause set, and how the instance is
// typed. Every case is read from plain and gzip files, with LF and with CR LF line endings, and
// from a pipe (read in one pass); all readings must agree with the expected clauses. The format
// readers are also run over stream buffers of a few bytes, so that every token crosses a refill.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <fstream>
#include <random>
#include <thread>
#include <vector>

#include "config/qrn_config.hh"
#include "config_snapshot.hh"
#include "input/format_parsers.hh"
#include "input_test_util.hh"

namespace {

using namespace input_test;

constexpr Cost kTop = BasicClauseSet::default_top_weight;

struct Case {
  const char* name;
  std::string text;
  int type;
  Cost top;
  long top_id;
  std::map<LitVector, Cost> clauses;  // literals in any order
};

Snapshot expected_of(const Case& c) {
  Snapshot s;
  s.type = c.type;
  s.top_weight = c.top;
  s.top_id = c.top_id;
  for (const auto& entry : c.clauses) s.weights[sorted(entry.first)] = entry.second;
  s.size = s.weights.size();
  return s;
}

std::ostream& operator<<(std::ostream& os, const Case& c) { return os << c.name; }

const Case kCases[] = {
    {"cnf", "c a comment\np cnf 3 2\n1 -2 0\n2 3 0\n", MS_PLAIN, kTop, 3, {{{1, -2}, 1}, {{2, 3}, 1}}},
    {"cnf_header_counts_unchecked", "p cnf 3 1\n7 -1 0\n", MS_PLAIN, kTop, 7, {{{7, -1}, 1}}},
    {"cnf_without_literals", "p cnf 0 0\n", MS_PLAIN, kTop, 1, {}},
    {"cnf_problem_line_last", "c x\np cnf 1 1", MS_PLAIN, kTop, 1, {}},
    {"cnf_clauses_across_lines", "p cnf 3 3\n1\n-2\n 0 3 0 -1\n2 0\n", MS_PLAIN, kTop, 3,
     {{{1, -2}, 1}, {{3}, 1}, {{-1, 2}, 1}}},
    {"cnf_comments_between_clauses", "c\np cnf 2 2\nc one\n  c indented \xFF\n1 0\nc two\n-2 0\nc end",
     MS_PLAIN, kTop, 2, {{{1}, 1}, {{-2}, 1}}},
    {"cnf_more_problem_lines_skipped", "p cnf 2 1\n1 0\np cnf x y z\n2 0\n", MS_PLAIN, kTop, 2,
     {{{1}, 1}, {{2}, 1}}},
    {"cnf_huge_header_numbers", "p cnf 99999999999999999999999 -1\n1 0\n", MS_PLAIN, kTop, 1, {{{1}, 1}}},
    {"cnf_empty_and_repeated_literal_clauses", "p cnf 1 3\n0\n1 1 0\n1 0\n", MS_PLAIN, kTop, 1,
     {{{}, 1}, {{1, 1}, 1}, {{1}, 1}}},
    {"cnf_word_glued_to_p", "pcnf 1 1\n1 0\n", MS_PLAIN, kTop, 1, {{{1}, 1}}},
    {"cnf_word_on_next_line", "p\n\ncnf 1 1\n-1 0\n", MS_PLAIN, kTop, 1, {{{-1}, 1}}},
    {"cnf_word_with_period", "p cnf.gz 1 1\n1 0\n", MS_PLAIN, kTop, 1, {{{1}, 1}}},
    {"cnf_extreme_literals", "p cnf 1 1\n2147483647 -2147483647 0\n", MS_PLAIN, kTop, 2147483647,
     {{{2147483647, -2147483647}, 1}}},
    // A repeated soft clause weighs the number of its occurrences; the instance becomes weighted.
    {"cnf_repeated_clause", "p cnf 2 3\n1 2 0\n2 1 0\n1 -2 0\n", MS_WEIGHTED, kTop, 2,
     {{{1, 2}, 2}, {{1, -2}, 1}}},

    {"wcnf", "p wcnf 3 4 10\n10 1 2 0\n10 -1 3 0\n2 -2 0\n5 -3 0\n", MS_WEIGHTED, 10, 3,
     {{{1, 2}, 10}, {{-1, 3}, 10}, {{-2}, 2}, {{-3}, 5}}},
    {"wcnf_without_top", "p wcnf 2 2\n3000000000 1 0\n1 2 0\n", MS_WEIGHTED, kTop, 2,
     {{{1}, kTop}, {{2}, 1}}},
    {"wcnf_weight_zero_and_above_top", "p wcnf 2 2 10\n0 1 0\n11 2 0\n", MS_WEIGHTED, 10, 2,
     {{{1}, 0}, {{2}, 10}}},
    {"wcnf_unit_weights_are_weighted", "p wcnf 2 2 5\n1 1 0\n1 2 0\n", MS_WEIGHTED, 5, 2,
     {{{1}, 1}, {{2}, 1}}},
    {"wcnf_without_clauses_is_partial", "p wcnf 0 0 5\n", MS_PARTIAL, 5, 1, {}},
    {"wcnf_problem_line_last", "p wcnf 1 1 5", MS_PARTIAL, 5, 1, {}},
    {"wcnf_problem_line_without_fields", "p wcnf\n", MS_PARTIAL, kTop, 1, {}},
    {"wcnf_tabs_and_trailing_blanks", "p\twcnf\t2\t1\t7 \t\n3 -2 0\n", MS_WEIGHTED, 7, 2, {{{-2}, 3}}},
    {"wcnf_64_bit_weights", "p wcnf 2 2 10000000000\n10000000000 1 0\n9999999999 2 0\n", MS_WEIGHTED,
     10000000000u, 2, {{{1}, 10000000000u}, {{2}, 9999999999u}}},
    {"wcnf_largest_top", "p wcnf 1 1 18446744073709551615\n18446744073709551614 1 0\n", MS_WEIGHTED,
     UINT64_MAX, 1, {{{1}, UINT64_MAX - 1}}},
    {"wcnf_ignored_fields_any_sign", "p wcnf -5 18446744073709551615 7\n1 1 0\n", MS_WEIGHTED, 7, 1,
     {{{1}, 1}}},
    // With top weight 0 every clause is hard, and none is counted weighted.
    {"wcnf_top_zero", "p wcnf 1 1 0\n5 1 0\n", MS_PARTIAL, 0, 1, {{{1}, 0}}},
    // Repeated clauses: soft weights add up, capped at the top weight; hard stays hard.
    {"wcnf_repeated_soft_weights_add", "p wcnf 2 2 100\n3 1 2 0\n5 2 1 0\n", MS_WEIGHTED, 100, 2,
     {{{1, 2}, 8}}},
    {"wcnf_repeated_sum_reaches_top", "p wcnf 1 2 10\n6 1 0\n6 1 0\n", MS_WEIGHTED, 10, 1, {{{1}, 10}}},
    {"wcnf_hard_then_soft_stays_hard", "p wcnf 1 2 10\n10 1 0\n3 1 0\n", MS_WEIGHTED, 10, 1, {{{1}, 10}}},
    {"wcnf_soft_then_hard_is_hard", "p wcnf 1 2 10\n3 1 0\n10 1 0\n", MS_WEIGHTED, 10, 1, {{{1}, 10}}},
    {"wcnf_repeated_sum_saturates", "p wcnf 1 2\n18446744073709551615 -1 0\n18446744073709551615 -1 0\n",
     MS_WEIGHTED, kTop, 1, {{{-1}, kTop}}},
    {"wcnf_repeated_sum_saturates_at_largest_top",
     "p wcnf 1 2 18446744073709551615\n18446744073709551614 -1 0\n18446744073709551614 -1 0\n",
     MS_WEIGHTED, UINT64_MAX, 1, {{{-1}, UINT64_MAX}}},
    // A later problem line may lower the top weight below clauses already read; they keep
    // their weight (and count as hard).
    {"wcnf_top_lowered_by_later_problem_line", "p wcnf 1 3 9\n2 0\n1 0p wcnf 0 6  01\n92 -1 0\n",
     MS_WEIGHTED, 1, 1, {{{}, 3}, {{-1}, 1}}},
    {"wcnf_repeated_zero_weights", "p wcnf 1 2 10\n0 1 0\n0 1 0\n", MS_WEIGHTED, 10, 1, {{{1}, 0}}},

    {"pmcnf", "p pmcnf 3 4\n1 0\np hard\n1 2 0\n-3 0\np soft\n2 3 0\n", MS_PARTIAL, kTop, 3,
     {{{1}, 1}, {{1, 2}, kTop}, {{-3}, kTop}, {{2, 3}, 1}}},
    {"pmcnf_problem_line_last", "p pmcnf 1 1", MS_PARTIAL, kTop, 1, {}},
    {"pmcnf_section_word_at_end", "p pmcnf 1 1\n1 0\np hard", MS_PARTIAL, kTop, 1, {{{1}, 1}}},
    {"pmcnf_repeated_soft_is_weighted", "p pmcnf 2 2\np soft\n1 2 0\n2 1 0\n", MS_WEIGHTED, kTop, 2,
     {{{1, 2}, 2}}},
    {"pmcnf_soft_then_hard_is_hard", "p pmcnf 1 3\n1 0\n1 0\np hard\n1 0\n", MS_PARTIAL, kTop, 1,
     {{{1}, kTop}}},
    {"pmcnf_hard_then_soft_stays_hard", "p pmcnf 1 2\np hard\n-1 0\np soft\n-1 0\n", MS_PARTIAL, kTop,
     1, {{{-1}, kTop}}},
    {"pmcnf_hard_repeated", "p pmcnf 1 2\np hard\n1 0\n1 0\n", MS_PARTIAL, kTop, 1, {{{1}, kTop}}},

    {"scnf", "p scnf 3 2 9\n4 1 2 0\n7 -3 0\n", MS_SOFTCNF, 9, 3, {{{1, 2}, 4}, {{-3}, 7}}},
    {"scnf_largest_group_id", "p scnf 1 1\n18446744073709551615 1 0\n", MS_SOFTCNF, kTop, 1,
     {{{1}, UINT64_MAX}}},
    // scnf weights are group ids: a repeated clause takes the id of its last group.
    {"scnf_repeated_clause", "p scnf 1 2\n4 1 0\n6 1 0\n", MS_SOFTCNF, kTop, 1, {{{1}, 6}}},
    {"scnf_problem_line_last", "p scnf 1 1 3", MS_SOFTCNF, 3, 1, {}},

    // 2022+ WCNF: no problem line; the top weight is the soft weights' sum plus 1.
    {"new_wcnf", "c x\nh 1 -2 0\n5 -1 0\n3 2 0\n", MS_WEIGHTED, 9, 2, {{{1, -2}, 9}, {{-1}, 5}, {{2}, 3}}},
    {"new_wcnf_unit_weights_without_hard_are_plain", "1 1 0\n1 -2 0\n", MS_PLAIN, 3, 2, {{{1}, 1}, {{-2}, 1}}},
    {"new_wcnf_unit_weights_with_hard_are_partial", "h 1 2 0\n1 -1 0\n", MS_PARTIAL, 2, 2,
     {{{1, 2}, 2}, {{-1}, 1}}},
    {"new_wcnf_repeated_clauses_merge", "h 1 0\n3 1 0\n2 -2 0\n2 -2 0\n", MS_WEIGHTED, 8, 2,
     {{{1}, 8}, {{-2}, 4}}},
    {"new_wcnf_repeated_unit_clause_is_weighted", "1 1 0\n1 1 0\n", MS_WEIGHTED, 3, 1, {{{1}, 2}}},
    {"new_wcnf_weight_zero_is_kept_at_zero", "0 1 0\nh 2 0\n", MS_WEIGHTED, 1, 2, {{{1}, 0}, {{2}, 1}}},
    {"new_wcnf_empty_clauses", "h 0\n4 0\n", MS_PARTIAL, 5, 1, {{{}, 5}}},
    {"new_wcnf_largest_weight", "18446744073709551614 1 0\n", MS_WEIGHTED, UINT64_MAX, 1,
     {{{1}, UINT64_MAX - 1}}},
    {"new_wcnf_blanks_comments_and_signs", "\n  c a\n\nh\t1 0 \n c b\n+2 -1 +3 0\n", MS_WEIGHTED, 3, 3,
     {{{1}, 3}, {{-1, 3}, 2}}},
    {"new_wcnf_first_line_a_weight", "7 -3 0\n", MS_WEIGHTED, 8, 3, {{{-3}, 7}}},
};

struct Encoding {
  Packing packing;
  bool pipe;  // through a named pipe, read in one pass
  bool crlf;
};

// Writes `text` into a named pipe from another thread while the reader reads it.
Snapshot read_through_pipe(const std::string& text) {
  TempFile place("");
  std::string path = std::string(place.path()) + ".fifo";
  if (mkfifo(path.c_str(), 0600) != 0) throw std::runtime_error("mkfifo failed");
  std::thread writer([&] {
    std::ofstream out(path, std::ios::binary);
    out << text;
  });
  Snapshot s = read_snapshot(path.c_str());
  writer.join();
  std::remove(path.c_str());
  return s;
}

class Formats : public ::testing::TestWithParam<Case> {};

TEST_P(Formats, ReadsTheExpectedClauses) {
  const Case& c = GetParam();
  const Snapshot want = expected_of(c);
  std::vector<Encoding> encodings;
  for (Packing packing : {Packing::plain, Packing::gzip, Packing::xz, Packing::bzip2})
    for (bool pipe : {false, true})
      for (bool crlf : {false, true}) encodings.push_back({packing, pipe, crlf});
  for (const Encoding& e : encodings) {
    SCOPED_TRACE(std::string(name_of(e.packing)) + (e.pipe ? " pipe" : " file") + (e.crlf ? " crlf" : " lf"));
    const std::string text = e.crlf ? with_crlf(c.text) : c.text;
    Snapshot got = e.pipe ? read_through_pipe(packed(text, e.packing)) : read_text(text, e.packing);
    EXPECT_EQ(got.type, want.type);
    EXPECT_EQ(got.top_weight, want.top_weight);
    EXPECT_EQ(got.top_id, want.top_id);
    EXPECT_EQ(got.size, want.size);
    EXPECT_EQ(got.weights, want.weights);
  }
}

INSTANTIATE_TEST_SUITE_P(Instances, Formats, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

// The format readers themselves, run the way read_input_file runs them, over a stream buffer of
// `capacity` bytes.
Snapshot parse_with_buffer(const std::string& text, int capacity) {
  TempFile file(text);
  OpenedInput gz(file.path());
  TinyStreamBuffer in(gz.get(), capacity);
  BasicClauseSet set;
  IDManager imgr;
  set.set_cltype(CL_WEIGHTED);
  set.set_def_weight(0);
  // The opening decides the reader, as in the first pass.
  std::string word;
  long line = 1;
  bool new_wcnf = false;
  {
    OpenedInput first(file.path());
    TinyStreamBuffer scan(first.get(), capacity);
    new_wcnf = scan_opening(scan, word, line) == Opening::new_wcnf_line;
  }
  int type = 0;
  if (new_wcnf) {
    type = parse_new_wcnf_file(in, imgr, set);
  } else if (word == "cnf") {
    set.set_cltype(CL_SOFT);
    type = parse_cnf_file(in, imgr, set) ? MS_WEIGHTED : MS_PLAIN;
  } else if (word == "wcnf") {
    parse_wcnf_file(in, imgr, set);
    type = set.get_num_wght_cls() == 0 ? MS_PARTIAL : MS_WEIGHTED;
  } else if (word == "pmcnf") {
    type = parse_pmcnf_file(in, imgr, set) ? MS_WEIGHTED : MS_PARTIAL;
  } else if (word == "scnf") {
    parse_scnf_file(in, imgr, set);
    type = MS_SOFTCNF;
  }
  return snapshot_of(type, set, imgr);
}

class TinyBuffers : public ::testing::TestWithParam<int> {};

TEST_P(TinyBuffers, FormatReadersAgreeWithTheFullBuffer) {
  for (const Case& c : kCases) {
    Snapshot got = parse_with_buffer(c.text, GetParam());
    EXPECT_TRUE(got == expected_of(c)) << c.name;
  }
}

INSTANTIATE_TEST_SUITE_P(Capacities, TinyBuffers, ::testing::Values(1, 2, 5));

TEST(ReadInput, LeavesTheSetHardByDefault) {
  TempFile f("p wcnf 1 1 4\n2 1 0\n");
  BasicClauseSet set;
  IDManager imgr;
  imgr.set_top_id(10);
  const char* name = f.path();
  read_input_file(name, imgr, set);
  EXPECT_EQ(set.get_cltype(), CL_HARD);
  EXPECT_EQ(set.get_def_weight(), 0u);
  EXPECT_EQ(imgr.get_top_id(), 11) << "the largest variable is added to the top id";
}

TEST(ReadInput, ScnfGroupsListTheirClausesInFileOrder) {
  TempFile f("p scnf 3 4\n7 1 0\n7 2 0\n3 -3 0\n7 1 0\n");
  BasicClauseSet set;
  IDManager imgr;
  const char* name = f.path();
  read_input_file(name, imgr, set);
  const auto& groups = set.get_grp_map();
  ASSERT_EQ(groups.size(), 2u);
  const ClauseList& seven = *groups.at(7);
  ASSERT_EQ(seven.size(), 3u);
  EXPECT_EQ(seven[0]->get_lits(), LitVector{1});
  EXPECT_EQ(seven[1]->get_lits(), LitVector{2});
  EXPECT_EQ(seven[2], seven[0]) << "a clause given twice is listed twice";
  EXPECT_EQ(groups.at(3)->size(), 1u);
}

// A file read twice by two sets yields the same clause objects: the registry is shared.
TEST(ReadInput, RereadingFindsTheSameClauses) {
  TempFile f("p cnf 2 2\n1 -2 0\n2 0\n");
  BasicClauseSet first;
  BasicClauseSet second;
  IDManager imgr;
  const char* name = f.path();
  read_input_file(name, imgr, first);
  read_input_file(name, imgr, second);
  ASSERT_EQ(first.size(), 2u);
  for (const BasicClause* cl : first) EXPECT_TRUE(second.is_member(cl));
  EXPECT_EQ(imgr.get_top_id(), 4);
}

// The first pass reads a small buffer: a long comment header makes it refill before the
// problem line.
TEST(ReadInput, LongCommentHeaderBeforeTheProblemLine) {
  std::string text;
  for (int i = 0; i < 50; ++i) text += "c " + std::string(100, static_cast<char>('a' + i % 26)) + "\n";
  text += "p wcnf 2 1 9\n4 1 -2 0\n";
  Snapshot s = read_text(text);
  EXPECT_EQ(s.type, MS_WEIGHTED);
  EXPECT_EQ(s.top_weight, 9u);
  EXPECT_EQ(s.weights, (std::map<LitVector, Cost>{{{1, -2}, 4}}));
}

// More than a megabyte: comments, clauses split over lines and repeated clauses land on every kind
// of refill boundary. The expected weights are computed here from the generated clauses.
TEST(ReadInput, LargeFilesAcrossManyRefills) {
  std::mt19937 rng(12345);
  std::uniform_int_distribution<int> var(1, 500);
  std::uniform_int_distribution<int> len(1, 6);
  std::uniform_int_distribution<int> weight(1, 50);
  const Cost top = 1000;
  std::string text = "c generated\np wcnf 500 60000 1000\n";
  std::map<LitVector, Cost> want;
  std::vector<LitVector> earlier;
  for (int i = 0; i < 60000; ++i) {
    LitVector lits;
    if (i % 7 == 3 && !earlier.empty()) {
      lits = earlier[rng() % earlier.size()];
      std::shuffle(lits.begin(), lits.end(), rng);
    } else {
      for (int k = len(rng); k > 0; --k) lits.push_back(rng() % 2 ? var(rng) : -var(rng));
      earlier.push_back(lits);
    }
    LitVector key = sorted(lits);
    // A literal and its negation may be sorted either way round; such clauses are left out.
    bool ambiguous = false;
    for (std::size_t j = 1; j < key.size(); ++j) ambiguous |= key[j] == -key[j - 1];
    if (ambiguous) continue;
    Cost w = i % 11 == 0 ? top : static_cast<Cost>(weight(rng));
    text += std::to_string(w);
    for (long l : lits) text += (rng() % 5 == 0 ? "\n " : " ") + std::to_string(l);
    text += " 0\n";
    if (i % 1000 == 0) text += "c " + std::string(rng() % 3000, 'x') + "\n";
    Cost& acc = want[key];
    acc = std::min<Cost>(acc + w, top);
  }
  ASSERT_GT(text.size(), 1u << 20);
  for (Packing packing : {Packing::plain, Packing::gzip, Packing::xz, Packing::bzip2}) {
    Snapshot s = read_text(text, packing);
    EXPECT_EQ(s.type, MS_WEIGHTED);
    EXPECT_EQ(s.size, want.size());
    EXPECT_TRUE(s.weights == want) << name_of(packing);
  }
}

// A compressed file may hold several streams one after the other (as `cat a.gz b.gz` makes):
// they read as the concatenation of their contents, whichever way the file is split.
TEST(ReadInput, ConcatenatedCompressedStreams) {
  const std::string text = "c two parts\np wcnf 3 4 10\n10 1 2 0\n3 -1 0\n4 -2 3 0\n5 -3 0\n";
  const Snapshot want = read_text(text);
  for (Packing packing : {Packing::gzip, Packing::xz, Packing::bzip2})
    for (std::size_t cut : {std::size_t(1), std::size_t(12), text.size() / 2, text.size() - 1}) {
      TempFile f(packed(text.substr(0, cut), packing) + packed(text.substr(cut), packing), Packing::plain);
      const Snapshot got = read_snapshot(f.path());
      EXPECT_EQ(got.weights, want.weights) << name_of(packing) << " cut at " << cut;
      EXPECT_EQ(got.top_weight, want.top_weight) << name_of(packing) << " cut at " << cut;
    }
}

TEST(ReadInput, ProgressLinesAtVerbosityTwoWithoutCompetitionFormat) {
  TempFile f("p cnf 1 1\n1 0\n");
  const ConfigSnapshot saved;
  Quarnel& q = Quarnel::instance();
  struct Setting {
    int verbosity;
    bool comp_format;
    bool shown;
  };
  for (Setting s : {Setting{2, false, true}, Setting{1, false, false}, Setting{2, true, false},
                    Setting{5, false, true}}) {
    q.set_verbosity(s.verbosity);
    if (s.comp_format)
      q.set_comp_format();
    else
      q.unset_comp_format();
    q.init();
    ::testing::internal::CaptureStdout();
    q.load_file(f.path());
    std::string out = ::testing::internal::GetCapturedStdout();
    q.reset();
    if (s.shown)
      EXPECT_TRUE(::testing::internal::RE::FullMatch(out, "Parsing\\.\\.\\. \\.\\.\\. Done\\. CPU time [0-9.e+-]+\n"))
          << out;
    else
      EXPECT_EQ(out, "");
  }
  saved.restore();
}

}  // namespace
