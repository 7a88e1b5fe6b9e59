// Helpers of the reader tests: instance files on disk (plain, gzip, xz or bzip2), a stream buffer with a
// tiny capacity that refills between almost every two characters, and a snapshot of what the
// reader put into a clause set, so that two readings can be compared as values.
#ifndef QUARNEL_TESTS_INPUT_TEST_UTIL_HH
#define QUARNEL_TESTS_INPUT_TEST_UTIL_HH

#include <bzlib.h>
#include <lzma.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

#include "clauses/basic_clause_set.hh"
#include "clauses/id_manager.hh"
#include "input/input_source.hh"
#include "input/read_input.hh"
#include "input/stream_buffer.hh"

namespace input_test {

// How a test file is stored: as written, or through one of the compression libraries.
enum class Packing { plain, gzip, xz, bzip2 };

inline const char* name_of(Packing p) {
  return p == Packing::plain ? "plain" : p == Packing::gzip ? "gzip" : p == Packing::xz ? "xz" : "bzip2";
}

inline std::string packed(const std::string& content, Packing packing) {
  if (packing == Packing::gzip) {
    z_stream zs{};
    if (deflateInit2(&zs, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
      throw std::runtime_error("gzip encoding failed");
    std::string out(deflateBound(&zs, static_cast<uLong>(content.size())), '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data()));
    zs.avail_in = static_cast<uInt>(content.size());
    zs.next_out = reinterpret_cast<Bytef*>(&out[0]);
    zs.avail_out = static_cast<uInt>(out.size());
    int ret = deflate(&zs, Z_FINISH);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    if (ret != Z_STREAM_END) throw std::runtime_error("gzip encoding failed");
    return out;
  }
  if (packing == Packing::xz) {
    std::string out(lzma_stream_buffer_bound(content.size()), '\0');
    std::size_t pos = 0;
    if (lzma_easy_buffer_encode(6, LZMA_CHECK_CRC64, nullptr, reinterpret_cast<const std::uint8_t*>(content.data()),
                                content.size(), reinterpret_cast<std::uint8_t*>(&out[0]), &pos, out.size()) != LZMA_OK)
      throw std::runtime_error("xz encoding failed");
    out.resize(pos);
    return out;
  }
  if (packing == Packing::bzip2) {
    std::string out(content.size() + content.size() / 100 + 600, '\0');
    std::string in = content + '\0';  // libbz2 wants a source buffer even for no bytes
    unsigned len = static_cast<unsigned>(out.size());
    if (BZ2_bzBuffToBuffCompress(&out[0], &len, &in[0], static_cast<unsigned>(content.size()), 9, 0, 0) != BZ_OK)
      throw std::runtime_error("bzip2 encoding failed");
    out.resize(len);
    return out;
  }
  return content;
}

// A file in the temporary directory, removed when the object goes, stored as `packing` says.
class TempFile {
public:
  explicit TempFile(const std::string& content, bool gzip = false)
      : TempFile(content, gzip ? Packing::gzip : Packing::plain) {}
  TempFile(const std::string& content, Packing packing) {
    const char* dir = std::getenv("TMPDIR");
    path_ = std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/quarnel-input-XXXXXX";
    int fd = mkstemp(&path_[0]);
    if (fd < 0) throw std::runtime_error("mkstemp failed");
    close(fd);
    const std::string bytes = packed(content, packing);
    std::FILE* f = std::fopen(path_.c_str(), "wb");
    if (f == nullptr) throw std::runtime_error("fopen failed");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  ~TempFile() { std::remove(path_.c_str()); }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  const char* path() const { return path_.c_str(); }
  // The file's bytes as stored (compressed for gzip files).
  std::string bytes() const {
    std::string out;
    std::FILE* f = std::fopen(path_.c_str(), "rb");
    if (f == nullptr) return out;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
    return out;
  }

private:
  std::string path_;
};

// A stream buffer of any capacity: with a few bytes, every token straddles refills.
class TinyStreamBuffer : public StreamBuffer {
public:
  TinyStreamBuffer(InputSource& in, int capacity) : StreamBuffer(in, capacity) {}
};

// An instance file opened as the reader opens it (decompressed by its first bytes).
class OpenedInput {
public:
  explicit OpenedInput(const char* path) : src_(open_input_source(path)) {}
  InputSource& get() const { return *src_; }

private:
  std::unique_ptr<InputSource> src_;
};

// What a reading left in the clause set: each member clause by its sorted literals, with its
// weight; plus the result type, the top weight and the rise of the top variable id.
struct Snapshot {
  int type = 0;
  Cost top_weight = 0;
  long top_id = 0;
  std::size_t size = 0;
  std::map<LitVector, Cost> weights;

  bool operator==(const Snapshot& o) const {
    return type == o.type && top_weight == o.top_weight && top_id == o.top_id && size == o.size &&
           weights == o.weights;
  }
};

inline Snapshot snapshot_of(int type, const BasicClauseSet& set, const IDManager& imgr) {
  Snapshot s;
  s.type = type;
  s.top_weight = set.get_top_weight();
  s.top_id = imgr.get_top_id();
  s.size = set.size();
  for (const BasicClause* cl : set) s.weights[cl->get_lits()] = cl->get_weight();
  return s;
}

// Reads `path` with read_input_file into a fresh set and id manager.
inline Snapshot read_snapshot(const char* path) {
  BasicClauseSet set;
  IDManager imgr;
  const char* name = path;
  MS_Problems type = read_input_file(name, imgr, set);
  return snapshot_of(type, set, imgr);
}

inline Snapshot read_text(const std::string& text, Packing packing = Packing::plain) {
  TempFile f(text, packing);
  return read_snapshot(f.path());
}

// The literals of a clause as the registry keeps them: sorted by variable.
inline LitVector sorted(LitVector lits) {
  std::sort(lits.begin(), lits.end(), AbsLitLess());
  return lits;
}

inline std::string with_crlf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out.push_back('\r');
    out.push_back(c);
  }
  return out;
}

// A death-test pattern that matches exactly `text` (the whole output of the child on the
// stream that gtest examines).
inline std::string exactly(const std::string& text) {
  std::string re = "^";
  for (char c : text) {
    if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos) re.push_back('\\');
    re.push_back(c);
  }
  return re + "$";
}

// Makes standard output go where standard error goes, so that a death test can examine the
// messages that the program writes to standard output.
inline void stdout_to_stderr() {
  std::fflush(stdout);
  dup2(STDERR_FILENO, STDOUT_FILENO);
}

}  // namespace input_test

#endif
