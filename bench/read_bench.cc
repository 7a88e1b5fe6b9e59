// Times the instance reader on one file: read_input_file into a fresh clause set, then the
// figures: throughput in MB/s of the file as stored and clauses per second, both by wall time
// and by CPU time (user + system, the latter mostly page faults of the growing tables), and the
// peak resident memory per clause. With --tokens it only walks the file with the token functions
// (no clauses are made), which shows what the tokenizer costs on its own. Run once per file, in a
// process of its own, so that the peak memory belongs to that file alone;
// bench/gen_and_read.sh generates the large instances and calls it.
#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "clauses/basic_clause_set.hh"
#include "clauses/id_manager.hh"
#include "input/input_source.hh"
#include "input/read_input.hh"
#include "input/stream_buffer.hh"
#include "input/tokenizer.hh"

namespace {

const char* type_name(MS_Problems t) {
  switch (t) {
    case MS_PLAIN: return "plain";
    case MS_PARTIAL: return "partial";
    case MS_WEIGHTED: return "weighted";
    case MS_SOFTCNF: return "softcnf";
  }
  return "?";
}

double seconds(const timeval& tv) { return static_cast<double>(tv.tv_sec) + tv.tv_usec / 1e6; }

struct CpuTimes {
  double user, sys;
};

CpuTimes cpu_now() {
  struct rusage ru;
  getrusage(RUSAGE_SELF, &ru);
  return {seconds(ru.ru_utime), seconds(ru.ru_stime)};
}

// The token work of reading: comments and problem lines skipped, every other number read.
std::size_t walk_tokens(const char* fname) {
  std::size_t zeros = 0;
  {
    std::unique_ptr<InputSource> src = open_input_source(fname);
    StreamBuffer in(*src);
    for (;;) {
      skip_whitespace(in);
      int c = *in;
      if (c == StreamBuffer::eof) break;
      if (c == 'c' || c == 'p') {
        skip_line(in);
      } else if (parseInt(in) == 0) {
        ++zeros;
      }
    }
  }
  return zeros;
}

}  // namespace

int main(int argc, char** argv) {
  const bool tokens_only = argc == 3 && std::strcmp(argv[1], "--tokens") == 0;
  if (argc != 2 && !tokens_only) {
    std::fprintf(stderr, "usage: read_bench [--tokens] <instance file>\n");
    return 2;
  }
  const char* fname = argv[argc - 1];
  struct stat st;
  if (stat(fname, &st) != 0) {
    std::perror(fname);
    return 2;
  }
  IDManager imgr;
  BasicClauseSet clset;
  const CpuTimes cpu0 = cpu_now();
  const auto t0 = std::chrono::steady_clock::now();
  std::size_t clauses = 0;
  if (tokens_only) {
    clauses = walk_tokens(fname);
    std::printf("%s: tokens only, %.1f MB on disk, %zu clause ends\n", fname, st.st_size / 1e6, clauses);
  } else {
    MS_Problems type = read_input_file(fname, imgr, clset);
    clauses = clset.size();
    std::printf("%s: %s, %.1f MB on disk, %zu clauses, top id %ld\n", fname, type_name(type), st.st_size / 1e6,
                clauses, imgr.get_top_id());
  }
  const auto t1 = std::chrono::steady_clock::now();
  const CpuTimes cpu1 = cpu_now();
  const double wall = std::chrono::duration<double>(t1 - t0).count();
  const double user = cpu1.user - cpu0.user;
  const double sys = cpu1.sys - cpu0.sys;
  const double cpu = user + sys;

  struct rusage ru;
  getrusage(RUSAGE_SELF, &ru);
  const double rss_bytes = static_cast<double>(ru.ru_maxrss) * 1024.0;
  const double mb = static_cast<double>(st.st_size) / 1e6;
  const double n = static_cast<double>(clauses);
  std::printf("  wall %.2f s: %.1f MB/s, %.2f M clauses/s\n", wall, mb / wall, n / wall / 1e6);
  std::printf("  cpu %.2f s (user %.2f, sys %.2f): %.1f MB/s, %.2f M clauses/s\n", cpu, user, sys, mb / cpu,
              n / cpu / 1e6);
  std::printf("  peak RSS %.1f MB = %.0f bytes/clause\n", rss_bytes / 1e6, n > 0 ? rss_bytes / n : 0.0);
  return 0;
}
