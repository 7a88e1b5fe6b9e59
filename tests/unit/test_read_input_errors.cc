// Every way reading an instance can fail: the message (on whichever stream the program writes
// it; both are examined together here) and the exit status. Each case also runs from gzip, xz
// and bzip2 copies of the file and with CR LF line endings, since none may change the outcome.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "input_test_util.hh"

namespace {

using namespace input_test;

struct ErrorCase {
  const char* name;
  std::string text;
  std::string output;  // standard output and standard error together
  int status;
};

std::ostream& operator<<(std::ostream& os, const ErrorCase& c) { return os << c.name; }

const std::string kInvalid = " ERROR: Invalid file format. Should be <cnf|wcnf|pmcnf>\n";

const ErrorCase kErrors[] = {
    {"empty_file", "", kInvalid, 3},
    {"only_comments", "c one\nc two\n", kInvalid, 3},
    {"blank_file", " \n\t\n", kInvalid, 3},
    {"format_word_case_sensitive", "p CNF 1 1\n1 0\n", kInvalid, 3},
    {"section_word_as_format", "p hard\n1 0\n", kInvalid, 3},
    {"p_without_word", "p\n1 0\n", kInvalid, 3},
    {"unknown_format", "p dimacs 1 1\n", kInvalid, 3},
    {"clause_before_problem_line", "1 2 0\np cnf 2 1\n", "File without format line\n", 1},
    {"byte_ff_before_problem_line", "\xFF\np cnf 1 1\n", "File without format line\n", 1},
    {"binary_garbage", std::string("\0\x01\x02garbage", 10), "File without format line\n", 1},

    {"wcnf_other_word_on_problem_line", "p wcnf.x 1 1\n", "PARSE ERROR! Unexpected int: wcnf.x\n", 3},
    {"wcnf_second_problem_line", "p wcnf 1 1\np cnf\n", "PARSE ERROR! Unexpected int: cnf\n", 3},
    {"scnf_other_word_on_problem_line", "p scnf 1 1\np scnf2 1 1\n", "PARSE ERROR! Unexpected int: scnf2\n", 3},
    {"pmcnf_unknown_section", "p pmcnf 1 1\np medium\n1 0\n", "PARSE ERROR! Unexpected format: medium\n", 3},
    {"pmcnf_word_with_period", "p pmcnf.x 1 1\n", "PARSE ERROR! Unexpected format: pmcnf.x\n", 3},

    {"wcnf_fourth_field", "p wcnf 1 2 3 4\n", "PARSE ERROR! Unexpected int: 4\n", 3},
    {"wcnf_fourth_field_negative", "p wcnf 1 2 3 -04\n", "PARSE ERROR! Unexpected int: -4\n", 3},
    {"scnf_fourth_field", "p scnf 1 2 3 18446744073709551615\n",
     "PARSE ERROR! Unexpected int: 18446744073709551615\n", 3},
    {"pmcnf_third_field", "p pmcnf 1 2 3\n", "PARSE ERROR! Unexpected int: 3\n", 3},
    {"pmcnf_third_field_minus_zero", "p pmcnf 1 2 -0\n", "PARSE ERROR! Unexpected int: 0\n", 3},
    // A carriage return that no newline follows is a blank: the line goes on.
    {"wcnf_lone_carriage_return", "p wcnf 1 2\r5 1 0\n", "PARSE ERROR! Unexpected int: 1\n", 3},
    {"problem_field_not_a_number", "p wcnf 1 x\n", "PARSE ERROR! Unexpected char: x\n", 3},

    {"top_weight_negative", "p wcnf 1 1 -5\n", "PARSE ERROR! Number out of range: -5\n", 3},
    {"top_weight_beyond_64_bits", "p wcnf 1 1 18446744073709551616\n1 1 0\n",
     "PARSE ERROR! Number out of range: 18446744073709551616\n", 3},
    {"ignored_field_beyond_64_bits", "p wcnf 1 99999999999999999999 7\n",
     "PARSE ERROR! Number out of range: 99999999999999999999\n", 3},
    {"weight_negative", "p wcnf 1 1\n-3 1 0\n", "PARSE ERROR! Number out of range: -3\n", 3},
    {"weight_beyond_64_bits", "p wcnf 1 1\n+018446744073709551616 1 0\n",
     "PARSE ERROR! Number out of range: +018446744073709551616\n", 3},
    {"group_id_negative", "p scnf 1 1\n-1 1 0\n", "PARSE ERROR! Number out of range: -1\n", 3},
    {"literal_beyond_int", "p cnf 1 1\n1 2147483648 0\n", "PARSE ERROR! Number out of range: 2147483648\n", 3},
    {"literal_most_negative_int", "p pmcnf 1 1\n-2147483648 0\n",
     "PARSE ERROR! Number out of range: -2147483648\n", 3},
    {"literal_wrapping_in_32_bits", "p cnf 1 1\n4294967297 0\n", "PARSE ERROR! Number out of range: 4294967297\n", 3},

    {"clause_without_final_zero", "p cnf 2 1\n1 2", "PARSE ERROR! Unexpected char: \xFF\n", 3},
    {"weight_without_clause", "p wcnf 2 1\n5", "PARSE ERROR! Unexpected char: \xFF\n", 3},
    {"sign_at_end_of_input", "p cnf 2 1\n1 -", "PARSE ERROR! Unexpected char: \xFF\n", 3},
    {"byte_ff_where_a_clause_begins", "p cnf 1 1\n1 0\n\xFF\n", "PARSE ERROR! Unexpected char: \xFF\n", 3},
    {"letter_in_clause", "p cnf 1 1\n1 x 0\n", "PARSE ERROR! Unexpected char: x\n", 3},
    {"sign_without_digits", "p cnf 1 1\n1 - 2 0\n", "PARSE ERROR! Unexpected char:  \n", 3},
    {"binary_garbage_after_header", std::string("p cnf 1 1\n1 0\n\x01\x02", 16),
     "PARSE ERROR! Unexpected char: \x01\n", 3},

    // 2022+ WCNF: a malformed line is named; a problem line anywhere makes it no 2022+ file.
    {"new_wcnf_h_line_without_zero", "h 1 2\n3 1 0\n", "PARSE ERROR! Line 1: Clause without its final 0\n", 3},
    {"new_wcnf_last_line_without_zero", "c c\nh 1 0\n\n3 1", "PARSE ERROR! Line 4: Clause without its final 0\n", 3},
    {"new_wcnf_weight_without_literals", "5\n", "PARSE ERROR! Line 1: Clause without its final 0\n", 3},
    {"new_wcnf_negative_weight", "h 1 0\n-3 1 0\n", "PARSE ERROR! Line 2: Number out of range: -3\n", 3},
    {"new_wcnf_weight_beyond_64_bits", "18446744073709551616 1 0\n",
     "PARSE ERROR! Line 1: Number out of range: 18446744073709551616\n", 3},
    {"new_wcnf_soft_weights_beyond_64_bits", "18446744073709551614 1 0\nh 2 0\n1 2 0\n",
     "PARSE ERROR! Line 3: Soft weights add up beyond 18446744073709551614\n", 3},
    {"new_wcnf_letter_in_clause", "h 1 x 0\n", "PARSE ERROR! Line 1: Unexpected char: x\n", 3},
    {"new_wcnf_literal_beyond_int", "1 2147483648 0\n", "PARSE ERROR! Line 1: Number out of range: 2147483648\n", 3},
    {"new_wcnf_text_after_zero", "h 1 0 2 0\n", "PARSE ERROR! Line 1: Unexpected char: 2\n", 3},
    {"new_wcnf_byte_ff_where_a_line_begins", "h 1 0\n\xFF 1 0\n", "PARSE ERROR! Line 2: Unexpected char: \xFF\n", 3},
    {"new_wcnf_problem_line_in_the_middle", "h 1 0\n3 -1 0\np wcnf 1 2 4\n", "File without format line\n", 1},
    {"new_wcnf_problem_line_after_a_bad_line", "h 1 x 0\np cnf 1 1\n", "File without format line\n", 1},
    {"word_starting_with_h", "hard 1 0\n", "File without format line\n", 1},
    {"sign_without_digit_first", "-x 1 0\n", "File without format line\n", 1},
};

class ReadErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ReadErrors, EndTheRunWithItsMessage) {
  const ErrorCase& c = GetParam();
  for (Packing packing : {Packing::plain, Packing::gzip, Packing::xz, Packing::bzip2}) {
    for (bool crlf : {false, true}) {
      SCOPED_TRACE(std::string(name_of(packing)) + (crlf ? " crlf" : " lf"));
      TempFile f(crlf ? with_crlf(c.text) : c.text, packing);
      EXPECT_EXIT(
          {
            stdout_to_stderr();
            read_snapshot(f.path());
          },
          ::testing::ExitedWithCode(c.status), exactly(c.output));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Instances, ReadErrors, ::testing::ValuesIn(kErrors),
                         [](const ::testing::TestParamInfo<ErrorCase>& info) { return std::string(info.param.name); });

TEST(ReadFileErrors, MissingFile) {
  TempFile place("");
  std::string missing = std::string(place.path()) + ".missing";
  EXPECT_EXIT(
      {
        stdout_to_stderr();
        read_snapshot(missing.c_str());
      },
      ::testing::ExitedWithCode(3), exactly(" ERROR: Could not open file: " + missing + "\n"));
}

// A directory opens with zlib but never reads; it is refused like a file that does not open.
TEST(ReadFileErrors, Directory) {
  TempFile place("");
  std::string dir = std::string(place.path()) + ".dir";
  ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
  EXPECT_EXIT(
      {
        stdout_to_stderr();
        read_snapshot(dir.c_str());
      },
      ::testing::ExitedWithCode(3), exactly(" ERROR: Could not open file: " + dir + "\n"));
  rmdir(dir.c_str());
}

TEST(ReadFileErrors, UnreadableFile) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
  TempFile f("p cnf 1 1\n1 0\n");
  chmod(f.path(), 0);
  EXPECT_EXIT(
      {
        stdout_to_stderr();
        read_snapshot(f.path());
      },
      ::testing::ExitedWithCode(3), exactly(std::string(" ERROR: Could not open file: ") + f.path() + "\n"));
}

// A compressed file cut short is reported even when the cut falls between two clauses, where
// the text read so far would parse as a smaller instance; so is damaged compressed data.
class CompressedErrors : public ::testing::TestWithParam<Packing> {};

TEST_P(CompressedErrors, TruncatedFile) {
  std::string text = "p cnf 3 100000\n";
  for (int i = 0; i < 100000; ++i) text += std::to_string(i % 3 + 1) + " -" + std::to_string((i + 1) % 3 + 1) + " 0\n";
  const std::string bytes = packed(text, GetParam());
  for (std::size_t cut : {bytes.size() - 4, bytes.size() / 2, std::size_t{20}}) {
    TempFile f(bytes.substr(0, cut));
    EXPECT_EXIT(
        {
          stdout_to_stderr();
          read_snapshot(f.path());
        },
        ::testing::ExitedWithCode(3),
        exactly(std::string(" ERROR: Could not read file: ") + f.path() + ": unexpected end of file\n"))
        << "cut at " << cut;
  }
}

TEST_P(CompressedErrors, DamagedData) {
  std::string bytes = packed("p cnf 1 1\n1 0\n", GetParam());
  bytes[bytes.size() / 2] ^= 0x55;
  bytes[bytes.size() / 2 + 1] ^= 0x55;
  TempFile f(bytes);
  EXPECT_EXIT(
      {
        stdout_to_stderr();
        read_snapshot(f.path());
      },
      ::testing::ExitedWithCode(3), std::string("^ ERROR: Could not read file: ") + f.path() + ": .+\n$");
}

INSTANTIATE_TEST_SUITE_P(Packings, CompressedErrors, ::testing::Values(Packing::gzip, Packing::xz, Packing::bzip2),
                         [](const ::testing::TestParamInfo<Packing>& info) { return std::string(name_of(info.param)); });

}  // namespace
