// libFuzzer target of the instance reader. Each input is written to a file and read twice: by
// read_input_file (both passes, 1 MiB buffer), and by the format readers over a stream buffer of
// a few bytes, so that every token crosses refills. Both readings must end the same way (the
// same exit status, or the same clauses with the same weights), and a successful reading must
// leave a consistent clause set. The first input byte chooses the compression of the rest (none,
// gzip, xz or bzip2, written through the libraries) and the small buffer's capacity; inputs that
// are themselves compressed data (seeds of truncated or corrupt files) take the first choice.
//
// Errors end the process through exit(); in this build exit() throws FuzzExit (see
// fuzz_exit.hh), and the target catches it. Clauses are removed from the process-wide registry
// after each input so that memory stays flat.
#include <bzlib.h>
#include <lzma.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "clauses/basic_clause_set.hh"
#include "clauses/id_manager.hh"
#include "input/format_parsers.hh"
#include "input/input_source.hh"
#include "input/read_input.hh"
#include "input/stream_buffer.hh"
#include "input/tokenizer.hh"

void quarnel_fuzz_exit(int status) { throw FuzzExit{status}; }

namespace {

class SmallBuffer : public StreamBuffer {
public:
  SmallBuffer(InputSource& in, int capacity) : StreamBuffer(in, capacity) {}
};

enum class Packing { none, gzip, xz, bzip2 };

struct Outcome {
  int status = 0;  // 0: read; otherwise the exit status
  int type = 0;
  Cost top_weight = 0;
  long top_id = 0;
  std::map<LitVector, Cost> weights;
};

void record(Outcome& o, int type, const BasicClauseSet& set, const IDManager& imgr) {
  o.type = type;
  o.top_weight = set.get_top_weight();
  o.top_id = imgr.get_top_id();
  for (const BasicClause* cl : set) o.weights[cl->get_lits()] = cl->get_weight();
}

// A successful reading leaves every clause registered under its own sorted, non-zero literals,
// within the variables that the id manager reserved, and the set hard by default. (Weights may
// exceed the top weight: a later problem line can lower it below clauses already read.)
void check_consistent(int type, const BasicClauseSet& set, const IDManager& imgr) {
  if (set.get_cltype() != CL_HARD) std::abort();
  if (type != MS_PLAIN && type != MS_PARTIAL && type != MS_WEIGHTED && type != MS_SOFTCNF) std::abort();
  for (const BasicClause* cl : set) {
    const LitVector& lits = cl->get_lits();
    for (std::size_t i = 0; i < lits.size(); ++i) {
      if (lits[i] == 0 || std::labs(lits[i]) > imgr.get_top_id()) std::abort();
      if (i > 0 && std::labs(lits[i - 1]) > std::labs(lits[i])) std::abort();
    }
    if (ClauseRegistry::clreg_instance->find_clause(lits) != cl) std::abort();
  }
}

// The reading of read_input_file, redone with the format readers over a small buffer.
void read_small(const char* path, int capacity, BasicClauseSet& set, IDManager& imgr, Outcome& o) {
  set.set_cltype(CL_WEIGHTED);
  set.set_def_weight(0);
  std::string word;
  Opening opening = Opening::other;
  long line = 1;
  try {
    std::unique_ptr<InputSource> src = open_input_source(path);
    SmallBuffer in(*src, capacity);
    opening = scan_opening(in, word, line);
  } catch (const FuzzExit& e) {
    o.status = e.status;
    return;
  }
  if (opening == Opening::other) {
    o.status = 1;
    return;
  }
  if (opening == Opening::problem_line && word != "cnf" && word != "wcnf" && word != "pmcnf" && word != "scnf") {
    o.status = 3;
    return;
  }
  try {
    std::unique_ptr<InputSource> src = open_input_source(path);
    SmallBuffer in(*src, capacity);
    int type = 0;
    if (opening == Opening::new_wcnf_line) {
      type = parse_new_wcnf_file(in, imgr, set);
    } else if (word == "cnf") {
      set.set_cltype(CL_SOFT);
      type = parse_cnf_file(in, imgr, set) ? MS_WEIGHTED : MS_PLAIN;
    } else if (word == "pmcnf") {
      type = parse_pmcnf_file(in, imgr, set) ? MS_WEIGHTED : MS_PARTIAL;
    } else if (word == "wcnf") {
      parse_wcnf_file(in, imgr, set);
      type = set.get_num_wght_cls() == 0 ? MS_PARTIAL : MS_WEIGHTED;
    } else {
      parse_scnf_file(in, imgr, set);
      type = MS_SOFTCNF;
    }
    set.set_cltype(CL_HARD);
    record(o, type, set, imgr);
  } catch (const FuzzExit& e) {
    o.status = e.status;
  }
}

// In memory when /dev/shm exists: rewriting a file on disk for every input costs more than
// reading it. The file is removed after each input.
const std::string& input_path() {
  static const std::string path = [] {
    std::string name = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    name += "/quarnel-fuzz-XXXXXX";
    int fd = mkstemp(&name[0]);
    if (fd < 0) std::abort();
    close(fd);
    return name;
  }();
  return path;
}

std::string xz_of(const std::uint8_t* data, std::size_t size) {
  std::string out(lzma_stream_buffer_bound(size), '\0');
  std::size_t pos = 0;
  if (lzma_easy_buffer_encode(1, LZMA_CHECK_CRC32, nullptr, data, size, reinterpret_cast<std::uint8_t*>(&out[0]),
                              &pos, out.size()) != LZMA_OK)
    std::abort();
  out.resize(pos);
  return out;
}

std::string bzip2_of(const std::uint8_t* data, std::size_t size) {
  std::string out(size + size / 100 + 600, '\0');
  unsigned len = static_cast<unsigned>(out.size());
  // libbz2 wants a source buffer even for no bytes.
  std::vector<char> in(data, data + size);
  in.push_back('\0');
  if (BZ2_bzBuffToBuffCompress(&out[0], &len, in.data(), static_cast<unsigned>(size), 1, 0, 0) != BZ_OK)
    std::abort();
  out.resize(len);
  return out;
}

void write_input(const std::string& path, const std::uint8_t* data, std::size_t size, Packing packing) {
  if (packing == Packing::gzip) {
    gzFile gz = gzopen(path.c_str(), "wb");
    if (gz == nullptr) std::abort();
    if (size > 0) gzwrite(gz, data, static_cast<unsigned>(size));
    gzclose(gz);
    return;
  }
  std::string bytes = packing == Packing::xz      ? xz_of(data, size)
                      : packing == Packing::bzip2 ? bzip2_of(data, size)
                                                  : std::string(reinterpret_cast<const char*>(data), size);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) std::abort();
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

// Whether the bytes start like gzip, xz or bzip2 data (the reader decodes them).
bool is_compressed(const std::uint8_t* data, std::size_t size) {
  auto starts = [&](const char* magic, std::size_t n) { return size >= n && std::memcmp(data, magic, n) == 0; };
  return starts("\x1f\x8b", 2) || starts("\xfd" "7zXZ", 6) || starts("BZh", 3);
}

void remove_clauses(BasicClauseSet& a, BasicClauseSet& b) {
  std::unordered_set<BasicClause*> all(a.begin(), a.end());
  all.insert(b.begin(), b.end());
  for (BasicClause* cl : all) a.remove_clause(cl);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const auto packing = static_cast<Packing>(data[0] & 3);
  const int capacity = 1 + (data[0] >> 2) % 8;
  const std::string& path = input_path();
  write_input(path, data + 1, size - 1, packing);

  Outcome full;
  Outcome small;
  BasicClauseSet full_set;
  BasicClauseSet small_set;
  {
    IDManager imgr;
    const char* name = path.c_str();
    try {
      int type = read_input_file(name, imgr, full_set);
      check_consistent(type, full_set, imgr);
      record(full, type, full_set, imgr);
    } catch (const FuzzExit& e) {
      full.status = e.status;
    }
  }
  {
    IDManager imgr;
    read_small(path.c_str(), capacity, small_set, imgr, small);
  }
  // Damaged compressed data fails wherever the decoder notices the damage, and a small buffer
  // may let the text before that point fail first, with another message: both readings must
  // fail then, with any message.
  const bool both_failed_on_compressed_input = packing == Packing::none && is_compressed(data + 1, size - 1) &&
                                               full.status != 0 && small.status != 0;
  const bool same = both_failed_on_compressed_input ||
                    (full.status == small.status &&
                     (full.status != 0 || (full.type == small.type && full.top_weight == small.top_weight &&
                                           full.top_id == small.top_id && full.weights == small.weights)));
  remove_clauses(full_set, small_set);
  std::remove(path.c_str());
  if (!same) std::abort();
  return 0;
}
