// The fatal messages of the instance reader. Each prints one line and ends the process: parse
// errors go to standard error, file errors through Abort. They live out of line so that the
// token loops stay small.
#ifndef QUARNEL_INPUT_PARSE_ERRORS_HH
#define QUARNEL_INPUT_PARSE_ERRORS_HH

#include <stdexcept>
#include <string>

// A program that reads instances inside a longer-lived process (the Python module) must not
// have it ended by a bad file: while a ReadErrorsThrow object lives in a thread, every fatal
// error of the reader in that thread throws ReadError instead, with the message it would print.
struct ReadError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class ReadErrorsThrow {
public:
  ReadErrorsThrow();
  ~ReadErrorsThrow();
  ReadErrorsThrow(const ReadErrorsThrow&) = delete;
  ReadErrorsThrow& operator=(const ReadErrorsThrow&) = delete;

private:
  bool was_active;
};

// Ends the run through Abort (exit status 3), or throws: the errors about the file itself.
[[noreturn]] void reader_abort(const std::string& message);

// "PARSE ERROR! Unexpected char: %c". The end of input (a negative value) prints as the byte
// 0xFF, as it always has, although a byte 0xFF in the file is ordinary data.
[[noreturn]] void parse_error_unexpected_char(int c);
// "PARSE ERROR! Number out of range: " and the number as the file wrote it.
[[noreturn]] void parse_error_out_of_range(const std::string& as_written);
// "PARSE ERROR! Unexpected int: " and a word or a number: a wrong format word after p, or one
// field too many on a problem line.
[[noreturn]] void parse_error_unexpected_int(const std::string& text);
// "PARSE ERROR! Unexpected format: " and the word after p in a pmcnf file.
[[noreturn]] void parse_error_unexpected_format(const std::string& word);
// A malformed line of a 2022+ WCNF file: "PARSE ERROR! Line N: " and what is wrong.
[[noreturn]] void parse_error_at_line(long line, const std::string& what);
// "File without format line" on standard output, exit status 1: the first line that is not a
// comment is no problem line, and the file is not in the 2022+ WCNF format either.
[[noreturn]] void no_format_line();
// A file that was opened but cannot be read to its end (truncated or corrupt compressed data,
// an I/O error): "Could not read file: " and the reason, which names the file.
[[noreturn]] void read_error(const char* msg);

#endif
