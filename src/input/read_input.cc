// Reading one instance file. The file is opened twice through zlib: a short first pass finds the
// format word on the problem line, and the second pass hands the whole file to the reader of
// that format. An input that cannot be opened twice (a pipe, a terminal) is read in one pass
// instead: the reader continues right after the format word. Every error ends the process with
// its message; on success the clause set's default kind is hard again, so that clauses the
// engine adds later are hard unless it says otherwise.
#include "input/read_input.hh"

#include <sys/stat.h>
#include <zlib.h>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>

#include "app/cpu_time.hh"
#include "app/logger.hh"
#include "app/runtime_msgs.hh"
#include "input/format_parsers.hh"
#include "input/stream_buffer.hh"
#include "input/tokenizer.hh"

namespace {

struct GzCloser {
  void operator()(gzFile f) const { gzclose(f); }
};
// Closed on every way out of a pass, also when an embedding program unwinds through the reader.
using GzHandle = std::unique_ptr<gzFile_s, GzCloser>;

[[noreturn]] void cannot_open(const char* fname) {
  Abort(std::string("Could not open file: ") + fname);
}

GzHandle open_input(const char* fname) {
  GzHandle f(gzopen(fname, "rb"));
  if (!f) cannot_open(fname);
  return f;
}

[[noreturn]] void invalid_format() { Abort("Invalid file format. Should be <cnf|wcnf|pmcnf>"); }

enum class Format { cnf, pmcnf, wcnf, scnf, unknown };

Format format_of(const std::string& word) {
  if (word == "cnf") return Format::cnf;
  if (word == "pmcnf") return Format::pmcnf;
  if (word == "wcnf") return Format::wcnf;
  if (word == "scnf") return Format::scnf;
  return Format::unknown;
}

// The format word of the problem line; a line other than a comment before it ends the run.
template <class B> std::string format_word_or_exit(B& in) {
  std::string word;
  if (!scan_format_word(in, word)) {
    std::cout << "File without format line\n" << std::flush;
    std::exit(1);
  }
  return word;
}

MS_Problems parse_format(Format fmt, StreamBuffer& in, IDManager& imgr, BasicClauseSet& clset,
                         const std::string* problem_word) {
  switch (fmt) {
    case Format::cnf:
      clset.set_cltype(CL_SOFT);
      return parse_cnf_file(in, imgr, clset, problem_word) ? MS_WEIGHTED : MS_PLAIN;
    case Format::pmcnf:
      return parse_pmcnf_file(in, imgr, clset, problem_word) ? MS_WEIGHTED : MS_PARTIAL;
    case Format::wcnf:
      parse_wcnf_file(in, imgr, clset, problem_word);
      return clset.get_num_wght_cls() == 0 ? MS_PARTIAL : MS_WEIGHTED;
    case Format::scnf:
      parse_scnf_file(in, imgr, clset, problem_word);
      return MS_SOFTCNF;
    case Format::unknown:
      break;
  }
  invalid_format();
}

// Regular files are read in two passes. A directory may open but never reads; it is refused
// here with the same message as a file that does not open.
bool is_regular_file(const char* fname) {
  struct stat st;
  if (stat(fname, &st) != 0) return false;
  if (S_ISDIR(st.st_mode)) cannot_open(fname);
  return S_ISREG(st.st_mode);
}

MS_Problems read_two_passes(const char* fname, IDManager& imgr, BasicClauseSet& clset) {
  std::string word;
  {
    GzHandle file = open_input(fname);
    SmallStreamBuffer in(file.get());
    word = format_word_or_exit(in);
  }
  Format fmt = format_of(word);
  if (fmt == Format::unknown) invalid_format();
  GzHandle file = open_input(fname);
  StreamBuffer in(file.get());
  return parse_format(fmt, in, imgr, clset, nullptr);
}

MS_Problems read_one_pass(const char* fname, IDManager& imgr, BasicClauseSet& clset) {
  GzHandle file = open_input(fname);
  StreamBuffer in(file.get());
  std::string word = format_word_or_exit(in);
  Format fmt = format_of(word);
  // The problem line's reader sees the word as readString would have read it, period included.
  word += read_word_chars(in, is_word_char);
  return parse_format(fmt, in, imgr, clset, &word);
}

}  // namespace

MS_Problems read_input_file(const char*& fname, IDManager& imgr, BasicClauseSet& clset) {
  clset.set_cltype(CL_WEIGHTED);
  clset.set_def_weight(0);
  const bool progress = !QRNConfig::comp_format && Logger::verbosity >= 2;
  if (progress) std::cout << "Parsing... " << std::flush;

  MS_Problems type = is_regular_file(fname) ? read_two_passes(fname, imgr, clset)
                                            : read_one_pass(fname, imgr, clset);

  if (progress) std::cout << "... Done. CPU time " << cpu_time() << "\n" << std::flush;
  clset.set_cltype(CL_HARD);
  return type;
}
