// Token functions of the instance reader, templates over the stream type (StreamBuffer and its
// variants). They walk the stream buffer in place, one character at a time; only the word
// readers build a string. Every number is read with overflow detection: a number that does not
// fit its field ends the run with "PARSE ERROR! Number out of range: " and the number as written,
// instead of wrapping around to some other value.
#ifndef QUARNEL_INPUT_TOKENIZER_HH
#define QUARNEL_INPUT_TOKENIZER_HH

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <string>

#include "clauses/basic_clause.hh"
#include "input/parse_errors.hh"

// Blank characters: tab, newline, vertical tab, form feed, carriage return (9 to 13) and space.
inline bool is_blank_char(int c) { return (c >= 9 && c <= 13) || c == ' '; }
inline bool is_digit_char(int c) { return c >= '0' && c <= '9'; }
// Characters of a format word: letters, digits and underscore. A period ends the word, so that
// "p cnf.gz" names the format cnf.
inline bool is_format_word_char(int c) {
  return is_digit_char(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
inline bool is_word_char(int c) { return is_format_word_char(c) || c == '.'; }

template <class B> void skip_whitespace(B& in) {
  while (is_blank_char(*in)) ++in;
}

// Tab and space only: a problem line's fields never continue on the next line.
template <class B> void skip_tab_space(B& in) {
  while (*in == '\t' || *in == ' ') ++in;
}

// Past the next newline, or up to the end of input. Any byte, 0xFF included, is skipped.
template <class B> void skip_line(B& in) {
  for (;;) {
    int c = *in;
    if (c == B::eof) return;
    ++in;
    if (c == '\n') return;
  }
}

// One signed decimal number as the file wrote it: an optional sign, then digits. The magnitude
// is exact; what a field accepts is decided by the caller (`read_number`'s limit, and the sign).
struct ParsedNumber {
  std::uint64_t magnitude = 0;
  char sign = 0;            // '+', '-', or 0 when no sign was written
  std::size_t digits = 0;   // digits as written, leading zeros included

  bool negative() const { return sign == '-' && magnitude != 0; }
  // The number's value in decimal: "-0" and "007" give "0" and "7".
  std::string value_text() const {
    return (negative() ? "-" : "") + std::to_string(magnitude);
  }
  // The number exactly as written, sign and leading zeros included.
  std::string as_written() const {
    std::string mag = magnitude != 0 ? std::to_string(magnitude) : std::string();
    std::string text = sign != 0 ? std::string(1, sign) : std::string();
    text.append(digits - mag.size(), '0');
    return text + mag;
  }
};

// How a number scan ended: with a number, on a character that cannot start one, or with a
// magnitude beyond the field's limit (`text` then holds the whole number as written).
enum class NumberScan { ok, not_a_number, out_of_range };

// Reads a signed decimal number at the current character (no blanks skipped) whose magnitude must
// not exceed `limit`. On not_a_number nothing but a sign has been consumed and `bad_char` is the
// offending character (eof included); on out_of_range the whole number has been consumed. The
// first character after the digits is not consumed.
template <class B>
NumberScan scan_number(B& in, std::uint64_t limit, ParsedNumber& n, int& bad_char, std::string& text) {
  n = ParsedNumber();
  int c = *in;
  if (c == '-' || c == '+') {
    n.sign = static_cast<char>(c);
    ++in;
    c = *in;
  }
  if (!is_digit_char(c)) {
    bad_char = c;
    return NumberScan::not_a_number;
  }
  const std::uint64_t cut = limit / 10;
  const unsigned cut_digit = static_cast<unsigned>(limit % 10);
  std::uint64_t v = 0;
  std::size_t digits = 0;
  // Nine digits never pass a field's limit (the smallest, a literal's, has ten): only the
  // digits after them are checked.
  assert(limit >= 999999999);
  do {
    v = v * 10 + static_cast<unsigned>(c - '0');
    ++digits;
    ++in;
    c = *in;
  } while (digits < 9 && is_digit_char(c));
  while (is_digit_char(c)) {
    unsigned d = static_cast<unsigned>(c - '0');
    if (v > cut || (v == cut && d > cut_digit)) {
      n.digits = digits;
      n.magnitude = v;
      text = n.as_written();
      for (c = *in; is_digit_char(c); c = *in) {
        text.push_back(static_cast<char>(c));
        ++in;
      }
      return NumberScan::out_of_range;
    }
    v = v * 10 + d;
    ++digits;
    ++in;
    c = *in;
  }
  n.magnitude = v;
  n.digits = digits;
  return NumberScan::ok;
}

// Skips blanks, then reads a signed decimal number whose magnitude must not exceed `limit`.
// A missing or malformed number fails with "Unexpected char" on the offending character (the
// end of input included); a larger magnitude fails with "Number out of range". The first
// character after the digits is not consumed.
template <class B> ParsedNumber read_number(B& in, std::uint64_t limit) {
  skip_whitespace(in);
  ParsedNumber n;
  int bad = 0;
  std::string text;
  switch (scan_number(in, limit, n, bad, text)) {
    case NumberScan::ok: return n;
    case NumberScan::not_a_number: parse_error_unexpected_char(bad);
    case NumberScan::out_of_range: parse_error_out_of_range(text);
  }
  return n;
}

constexpr std::uint64_t max_unsigned_field = UINT64_MAX;

// A literal, or the 0 that ends a clause: -2147483647 ... 2147483647.
template <class B> int parseInt(B& in) {
  ParsedNumber n = read_number(in, max_literal);
  int v = static_cast<int>(n.magnitude);
  return n.sign == '-' ? -v : v;
}

// A weight, a top weight or a group id: a non-negative number that fits 64 bits ("-0" is 0).
template <class B> Cost read_weight(B& in) {
  ParsedNumber n = read_number(in, max_unsigned_field);
  if (n.negative()) parse_error_out_of_range(n.as_written());
  return n.magnitude;
}

// The characters of a word that follow each other from the current one on; nothing is skipped.
template <class B, class Pred> std::string read_word_chars(B& in, Pred belongs) {
  std::string word;
  for (int c = *in; belongs(c); c = *in) {
    word.push_back(static_cast<char>(c));
    ++in;
  }
  return word;
}

// Skips blanks, then collects letters, digits, underscores and periods; the first other
// character is not consumed. The word may be empty.
template <class B> std::string readString(B& in) {
  skip_whitespace(in);
  return read_word_chars(in, is_word_char);
}

// As readString, but a period ends the word.
template <class B> std::string read_format_word(B& in) {
  skip_whitespace(in);
  return read_word_chars(in, is_format_word_char);
}

// Skips blanks, counting the newlines among them in `line`.
template <class B> void skip_whitespace_counting(B& in, long& line) {
  for (int c = *in; is_blank_char(c); c = *in) {
    if (c == '\n') ++line;
    ++in;
  }
}

// How an instance opens: with a problem line; with a line of the 2022+ WCNF format (an "h"
// followed by a blank, or a number: a weight); or with something else (no format line).
enum class Opening { problem_line, new_wcnf_line, other };

// Skips blanks and comment lines up to the first line of another kind and tells which kind it
// is. For a problem line, `word` is the format word after its p; otherwise the stream stands at
// the first character of that line. `line` counts the lines passed (it is 1 on the first line).
template <class B> Opening scan_opening(B& in, std::string& word, long& line) {
  word.clear();
  for (;;) {
    skip_whitespace_counting(in, line);
    int c = *in;
    if (c == B::eof) return Opening::problem_line;
    if (c == 'c') {
      skip_line(in);
      ++line;
    } else if (c == 'p') {
      ++in;
      skip_whitespace(in);
      word = read_format_word(in);
      return Opening::problem_line;
    } else {
      int next = in.peek_next();
      bool new_wcnf = is_digit_char(c) || (c == 'h' && (next == B::eof || is_blank_char(next))) ||
                      ((c == '-' || c == '+') && is_digit_char(next));
      return new_wcnf ? Opening::new_wcnf_line : Opening::other;
    }
  }
}

#endif
