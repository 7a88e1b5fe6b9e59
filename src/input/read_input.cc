// Reading one instance file. A short first pass over a fresh opening of the file finds how the
// instance opens: the format word of its problem line, or the first line of a 2022+ WCNF file;
// the second pass hands the whole file to the reader of that format. An input that cannot be
// opened twice (a pipe, a terminal, standard input named "-") is read in one pass instead: the
// reader continues right after what the first look consumed. Every error ends the process with
// its message; on success the clause set's default kind is hard again, so that clauses the
// engine adds later are hard unless it says otherwise.
#include "input/read_input.hh"

#include <sys/stat.h>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>

#include "util/cpu_time.hh"
#include "util/runtime_msgs.hh"
#include "input/format_parsers.hh"
#include "input/parse_errors.hh"
#include "input/input_source.hh"
#include "input/stream_buffer.hh"
#include "input/tokenizer.hh"

namespace {

[[noreturn]] void cannot_open(const char* fname) {
  reader_abort(std::string("Could not open file: ") + fname);
}

[[noreturn]] void invalid_format() { reader_abort("Invalid file format. Should be <cnf|wcnf|pmcnf>"); }

enum class Format { cnf, pmcnf, wcnf, scnf, new_wcnf, unknown };

Format format_of(const std::string& word) {
  if (word == "cnf") return Format::cnf;
  if (word == "pmcnf") return Format::pmcnf;
  if (word == "wcnf") return Format::wcnf;
  if (word == "scnf") return Format::scnf;
  return Format::unknown;
}

// The format the instance opens with; a line other than a comment, a problem line or a 2022+
// WCNF line ends the run. `line` becomes the number of the line the stream stands on.
template <class B> Format opening_format(B& in, std::string& word, long& line) {
  switch (scan_opening(in, word, line)) {
    case Opening::problem_line: return format_of(word);
    case Opening::new_wcnf_line: return Format::new_wcnf;
    case Opening::other: break;
  }
  no_format_line();
}

MS_Problems parse_format(Format fmt, StreamBuffer& in, IDManager& imgr, BasicClauseSet& clset,
                         const std::string* problem_word, long line, std::size_t reserve_limit) {
  switch (fmt) {
    case Format::cnf:
      clset.set_cltype(CL_SOFT);
      return parse_cnf_file(in, imgr, clset, problem_word, reserve_limit) ? MS_WEIGHTED : MS_PLAIN;
    case Format::pmcnf:
      return parse_pmcnf_file(in, imgr, clset, problem_word, reserve_limit) ? MS_WEIGHTED : MS_PARTIAL;
    case Format::wcnf:
      parse_wcnf_file(in, imgr, clset, problem_word, reserve_limit);
      return clset.get_num_wght_cls() == 0 ? MS_PARTIAL : MS_WEIGHTED;
    case Format::scnf:
      parse_scnf_file(in, imgr, clset, problem_word, reserve_limit);
      return MS_SOFTCNF;
    case Format::new_wcnf:
      return parse_new_wcnf_file(in, imgr, clset, line);
    case Format::unknown:
      break;
  }
  invalid_format();
}

// Regular files are read in two passes. A directory may open but never reads; it is refused
// here with the same message as a file that does not open. `size` is the file's size on disk.
bool is_regular_file(const char* fname, std::size_t& size) {
  struct stat st;
  if (stat(fname, &st) != 0) return false;
  if (S_ISDIR(st.st_mode)) cannot_open(fname);
  size = static_cast<std::size_t>(st.st_size);
  return S_ISREG(st.st_mode);
}

MS_Problems read_two_passes(const char* fname, std::size_t file_size, IDManager& imgr, BasicClauseSet& clset) {
  std::string word;
  long line = 1;
  Format fmt;
  {
    std::unique_ptr<InputSource> src = open_input_source(fname);
    SmallStreamBuffer in(*src);
    fmt = opening_format(in, word, line);
  }
  if (fmt == Format::unknown) invalid_format();
  std::unique_ptr<InputSource> src = open_input_source(fname);
  StreamBuffer in(*src);
  // Every clause takes at least two bytes ("0" and a line end) even when compressed files
  // hold more, so a problem line that claims more than half the file's size in clauses is not
  // believed beyond that.
  return parse_format(fmt, in, imgr, clset, nullptr, 1, file_size / 2);
}

MS_Problems read_one_pass(const char* fname, IDManager& imgr, BasicClauseSet& clset) {
  std::unique_ptr<InputSource> src = open_input_source(fname);
  StreamBuffer in(*src);
  std::string word;
  long line = 1;
  Format fmt = opening_format(in, word, line);
  // The problem line's reader sees the word as readString would have read it, period included.
  if (fmt != Format::new_wcnf) word += read_word_chars(in, is_word_char);
  return parse_format(fmt, in, imgr, clset, &word, line, 0);
}

}  // namespace

MS_Problems read_input_file(const char*& fname, IDManager& imgr, BasicClauseSet& clset,
                            bool report_progress) {
  clset.set_cltype(CL_WEIGHTED);
  clset.set_def_weight(0);
  if (report_progress) std::cout << "Parsing... " << std::flush;

  std::size_t size = 0;
  const bool two_passes = !is_standard_input(fname) && is_regular_file(fname, size);
  MS_Problems type = two_passes ? read_two_passes(fname, size, imgr, clset) : read_one_pass(fname, imgr, clset);

  if (report_progress) std::cout << "... Done. CPU time " << cpu_time() << "\n" << std::flush;
  clset.set_cltype(CL_HARD);
  return type;
}
