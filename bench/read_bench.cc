// Times the instance reader on one file: read_input_file into a fresh clause set, then one line
// of figures (throughput in MB/s of the file as stored, clauses per second, peak resident memory
// per clause). Run once per file, in a process of its own, so that the peak memory belongs to
// that file alone. bench/gen_and_read.sh generates the large instances and calls it.
#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "app/cpu_time.hh"
#include "clauses/basic_clause_set.hh"
#include "clauses/id_manager.hh"
#include "input/read_input.hh"

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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: read_bench <instance file>\n");
    return 2;
  }
  const char* fname = argv[1];
  struct stat st;
  if (stat(fname, &st) != 0) {
    std::perror(fname);
    return 2;
  }
  IDManager imgr;
  BasicClauseSet clset;
  const double cpu0 = cpu_time();
  const auto t0 = std::chrono::steady_clock::now();
  MS_Problems type = read_input_file(fname, imgr, clset);
  const auto t1 = std::chrono::steady_clock::now();
  const double cpu = cpu_time() - cpu0;
  const double wall = std::chrono::duration<double>(t1 - t0).count();

  struct rusage ru;
  getrusage(RUSAGE_SELF, &ru);
  const double rss_bytes = static_cast<double>(ru.ru_maxrss) * 1024.0;
  const double mb = static_cast<double>(st.st_size) / 1e6;
  const double ncls = static_cast<double>(clset.size());
  std::printf("%s: %s, %.1f MB on disk, %zu clauses, top id %ld\n", fname, type_name(type), mb,
              clset.size(), imgr.get_top_id());
  std::printf("  wall %.3f s, cpu %.3f s, %.1f MB/s, %.2f M clauses/s, peak RSS %.1f MB = %.0f bytes/clause\n",
              wall, cpu, mb / wall, ncls / wall / 1e6, rss_bytes / 1e6,
              ncls > 0 ? rss_bytes / ncls : 0.0);
  return 0;
}
