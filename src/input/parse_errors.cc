// Fatal messages of the instance reader. A malformed instance ends the run at once with exit
// status 3 (or throw, inside a library): no partly read instance is ever solved. Parse errors are written to standard error;
// errors about the file itself go through Abort like every other fatal error of the program.
#include "input/parse_errors.hh"

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "util/runtime_msgs.hh"

namespace {

thread_local bool errors_throw = false;

[[noreturn]] void parse_error(const char* what, const std::string& text) {
  if (errors_throw) throw ReadError(std::string("PARSE ERROR! ") + what + text);
  std::fputs("PARSE ERROR! ", stderr);
  std::fputs(what, stderr);
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fputc('\n', stderr);
  std::exit(3);
}

}  // namespace

void parse_error_unexpected_char(int c) {
  parse_error("Unexpected char: ", std::string(1, static_cast<char>(c < 0 ? 0xFF : c)));
}

void parse_error_out_of_range(const std::string& as_written) {
  parse_error("Number out of range: ", as_written);
}

void parse_error_unexpected_int(const std::string& text) { parse_error("Unexpected int: ", text); }

void parse_error_unexpected_format(const std::string& word) {
  parse_error("Unexpected format: ", word);
}

void parse_error_at_line(long line, const std::string& what) {
  parse_error("Line ", std::to_string(line) + ": " + what);
}

ReadErrorsThrow::ReadErrorsThrow() : was_active(errors_throw) { errors_throw = true; }
ReadErrorsThrow::~ReadErrorsThrow() { errors_throw = was_active; }

void reader_abort(const std::string& message) {
  if (errors_throw) throw ReadError(message);
  Abort(message);
}

void no_format_line() {
  if (errors_throw) throw ReadError("File without format line");
  std::cout << "File without format line\n" << std::flush;
  std::exit(1);
}

void read_error(const char* msg) { reader_abort(std::string("Could not read file: ") + msg); }
