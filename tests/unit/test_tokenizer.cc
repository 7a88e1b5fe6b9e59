// Token functions over real stream buffers. The cases run with buffers of a few bytes as well as
// the full 1 MiB buffer, so that each token is also read across refills.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "input/stream_buffer.hh"
#include "input/tokenizer.hh"
#include "input_test_util.hh"

namespace {

using input_test::exactly;
using input_test::OpenedInput;
using input_test::TempFile;
using input_test::TinyStreamBuffer;

constexpr int kFullBuffer = 0;

// A stream over `text`, with the capacity under test (0 for the reader's own StreamBuffer).
class TextStream {
public:
  TextStream(const std::string& text, int capacity, bool gzip = false)
      : file_(text, gzip), gz_(file_.path()) {
    // The stream holds the file open; its name can go now, so that a stream made inside a death
    // test's child, which ends without destructors, leaves no file behind.
    std::remove(file_.path());
    if (capacity == kFullBuffer)
      in_ = std::make_unique<StreamBuffer>(gz_.get());
    else
      in_ = std::make_unique<TinyStreamBuffer>(gz_.get(), capacity);
  }
  StreamBuffer& in() { return *in_; }

private:
  TempFile file_;
  OpenedInput gz_;
  std::unique_ptr<StreamBuffer> in_;
};

class Tokens : public ::testing::TestWithParam<int> {};

INSTANTIATE_TEST_SUITE_P(Capacities, Tokens, ::testing::Values(1, 2, 3, 7, kFullBuffer));

// The failing cases fork a child each, so they run on fewer capacities.
class TokenErrors : public ::testing::TestWithParam<int> {};

INSTANTIATE_TEST_SUITE_P(Capacities, TokenErrors, ::testing::Values(1, 3, kFullBuffer));

struct IntCase {
  const char* text;
  int value;
  int next;  // the character left current after the number
};

TEST_P(Tokens, ParseIntReadsSignedDecimals) {
  const IntCase cases[] = {
      {"  -17", -17, StreamBuffer::eof},
      {"+5", 5, StreamBuffer::eof},
      {"007", 7, StreamBuffer::eof},
      {"-0", 0, StreamBuffer::eof},
      {"12abc", 12, 'a'},
      {"\t\n\v\f\r 3 ", 3, ' '},
      {"2147483647", 2147483647, StreamBuffer::eof},
      {"-2147483647\n", -2147483647, '\n'},
      {"-0002147483647 0", -2147483647, ' '},
      {"123456789\xFF", 123456789, 0xFF},
  };
  for (const IntCase& c : cases) {
    TextStream s(c.text, GetParam());
    EXPECT_EQ(parseInt(s.in()), c.value) << c.text;
    EXPECT_EQ(*s.in(), c.next) << c.text;
  }
}

TEST_P(Tokens, ParseIntReadsConsecutiveNumbers) {
  TextStream s("1 -22 333\n-4444 0", GetParam());
  const int expected[] = {1, -22, 333, -4444, 0};
  for (int v : expected) EXPECT_EQ(parseInt(s.in()), v);
  EXPECT_EQ(*s.in(), StreamBuffer::eof);
}

struct FailCase {
  const char* text;
  const char* message;  // on standard error, exit status 3
};

TEST_P(TokenErrors, MalformedOrOutOfRangeLiteralsEndTheRun) {
  const FailCase cases[] = {
      {"x", "PARSE ERROR! Unexpected char: x\n"},
      {"- 5", "PARSE ERROR! Unexpected char:  \n"},
      {"+-5", "PARSE ERROR! Unexpected char: -\n"},
      // The end of input prints as the byte 0xFF, and so does a byte 0xFF where a number is due.
      {"-", "PARSE ERROR! Unexpected char: \xFF\n"},
      {"   ", "PARSE ERROR! Unexpected char: \xFF\n"},
      {" \xFF", "PARSE ERROR! Unexpected char: \xFF\n"},
      {"2147483648", "PARSE ERROR! Number out of range: 2147483648\n"},
      {"-2147483648", "PARSE ERROR! Number out of range: -2147483648\n"},
      {"4294967297", "PARSE ERROR! Number out of range: 4294967297\n"},
      {"+0021474836470 1", "PARSE ERROR! Number out of range: +0021474836470\n"},
      {"-99999999999999999999999999x", "PARSE ERROR! Number out of range: -99999999999999999999999999\n"},
  };
  for (const FailCase& c : cases) {
    EXPECT_EXIT(
        {
          TextStream s(c.text, GetParam());
          parseInt(s.in());
        },
        ::testing::ExitedWithCode(3), exactly(c.message))
        << c.text;
  }
}

TEST_P(Tokens, WeightsUseTheUnsigned64BitRange) {
  const struct {
    const char* text;
    Cost value;
  } cases[] = {
      {"0", 0},
      {"-0", 0},
      {"+7", 7},
      {"4294967297", 4294967297u},
      {"18446744073709551615", UINT64_MAX},
      {"00018446744073709551615", UINT64_MAX},
  };
  for (const auto& c : cases) {
    TextStream s(c.text, GetParam());
    EXPECT_EQ(read_weight(s.in()), c.value) << c.text;
  }
}

TEST_P(TokenErrors, NegativeOrTooLargeWeightsEndTheRun) {
  const FailCase cases[] = {
      {"-1", "PARSE ERROR! Number out of range: -1\n"},
      {"-007", "PARSE ERROR! Number out of range: -007\n"},
      {"18446744073709551616", "PARSE ERROR! Number out of range: 18446744073709551616\n"},
      {"-18446744073709551616", "PARSE ERROR! Number out of range: -18446744073709551616\n"},
      {"000184467440737095516150 5", "PARSE ERROR! Number out of range: 000184467440737095516150\n"},
      {"w", "PARSE ERROR! Unexpected char: w\n"},
  };
  for (const FailCase& c : cases) {
    EXPECT_EXIT(
        {
          TextStream s(c.text, GetParam());
          read_weight(s.in());
        },
        ::testing::ExitedWithCode(3), exactly(c.message))
        << c.text;
  }
}

TEST_P(Tokens, WordReaders) {
  {
    TextStream s("  wcnf 10", GetParam());
    EXPECT_EQ(readString(s.in()), "wcnf");
    EXPECT_EQ(*s.in(), ' ');
  }
  {
    TextStream s("ab_1.2x", GetParam());
    EXPECT_EQ(readString(s.in()), "ab_1.2x");
    EXPECT_EQ(*s.in(), StreamBuffer::eof);
  }
  {
    TextStream s("#x", GetParam());
    EXPECT_EQ(readString(s.in()), "");
    EXPECT_EQ(*s.in(), '#');
  }
  {
    TextStream s("\n cnf.gz", GetParam());
    EXPECT_EQ(read_format_word(s.in()), "cnf");
    EXPECT_EQ(*s.in(), '.');
  }
}

TEST_P(Tokens, Skipping) {
  {
    TextStream s("last line", GetParam());
    skip_line(s.in());
    EXPECT_EQ(*s.in(), StreamBuffer::eof);
  }
  {
    // Bytes 0xFF inside a line are skipped with it.
    TextStream s("c \xFF\xFF comment\nz", GetParam());
    skip_line(s.in());
    EXPECT_EQ(*s.in(), 'z');
  }
  {
    TextStream s(" \t\nx", GetParam());
    skip_tab_space(s.in());
    EXPECT_EQ(*s.in(), '\n');
  }
  {
    TextStream s(" \t\n\v\f\r x", GetParam());
    skip_whitespace(s.in());
    EXPECT_EQ(*s.in(), 'x');
  }
}

TEST_P(Tokens, ByteFFIsDataNotEndOfInput) {
  TextStream s("\xFF" "a", GetParam());
  EXPECT_EQ(*s.in(), 0xFF);
  ++s.in();
  EXPECT_EQ(*s.in(), 'a');
  ++s.in();
  EXPECT_EQ(*s.in(), StreamBuffer::eof);
  // Advancing at the end stays at the end.
  ++s.in();
  EXPECT_EQ(*s.in(), StreamBuffer::eof);
}

TEST_P(Tokens, GzipReadsLikePlainText) {
  const std::string text = "c x\n 1 -2 0 3 0\n";
  TextStream plain(text, GetParam());
  TextStream packed(text, GetParam(), true);
  for (;;) {
    ASSERT_EQ(*plain.in(), *packed.in());
    if (*plain.in() == StreamBuffer::eof) break;
    ++plain.in();
    ++packed.in();
  }
}

// A gzip stream cut short, or one that is not gzip data at all behind its magic bytes, is a
// read error, not an early end of the instance.
TEST_P(TokenErrors, UnreadableGzipDataEndsTheRun) {
  std::string text;
  for (int i = 1; i <= 2000; ++i) text += std::to_string(i) + " -" + std::to_string(i + 1) + " 0\n";
  const std::string packed = TempFile(text, true).bytes();
  ASSERT_GT(packed.size(), 100u);
  const std::string truncated = packed.substr(0, packed.size() / 2);
  const std::string corrupt = std::string("\x1f\x8b", 2) + "garbage";
  for (const std::string& bytes : {truncated, corrupt}) {
    EXPECT_EXIT(
        {
          input_test::stdout_to_stderr();
          TextStream s(bytes, GetParam());
          while (*s.in() != StreamBuffer::eof) ++s.in();
        },
        ::testing::ExitedWithCode(3), "^ ERROR: Could not read file: .*quarnel-input-.*: ");
  }
}

}  // namespace
