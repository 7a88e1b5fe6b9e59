// Command-line parsing. Options are compared as whole words, case-sensitively; an option with a
// value takes the next argument whatever it looks like; the first argument that is no option is
// the instance file name and ends the list. The runtime defaults are applied first, so they set
// the option lock before "-r", "-a" or "-e" is seen: those options validate their value but
// cannot change release, algorithm or encoding.
#include "app/cmdline.hh"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <cstring>
#include <iostream>

#include "app/build_info.hh"
#include "util/logger.hh"
#include "facade/qrnapp.hh"

namespace {

const char usage_text[] =
    "quarnel: maxsat solver based on unsat cores & card constraints\n"
    "\n"
    "usage: quarnel [ <option> ... ] <input> \n"
    "where <option> is one of the following:\n"
    "  -h       prints this help and exits\n"
    "  -v NNN   verbosity level [default: -v 1]\n"
    "  -l       create log file\n"
    "  -r REL   quarnel algorithm release. REL can be 1.0, 1.1, 1.2, 2.0, 3.0, 3.1, 4.0, etc. [default: -r 1.2]\n"
    "  -a ALG   qrn algorithm use. ALG can be 1, 2, 3, 3.1, 4, etc.\n"
    "  -m BBB   at most 1 true blocking var per clause for >= BBB blocking vars\n"
    "  -p       use added pruning power\n"
    "  -e ENC   encoding of card constraints. ENC can be one of the following:\n"
    "           a (adders), b (bdds w/ equiv), i (bdds w/ implic)\n"
    "           c (seq counters), e (exp), s (sorters), l (bitwise)\n"
    "  -w       print computed truth assignment\n"
    "  -s NNN   enumerate NNN solution/model cubes\n"
    "  -s all   enumerate *all* solution/model cubes\n"
    "  -u       list clauses unsat in computed solution\n"
    "  -so      goods based on original variables\n"
    "  -sr      goods based on relaxation variables (default)\n"
    "  -T TTT   specify timeout\n"
    "  -C       output MaxSAT evaluation/competition format [default]\n"
    "  -NC      do not use MaxSAT evaluation/competition format\n"
    "  -bmo     validate BMO condition and execute algorithm\n";

[[noreturn]] void usage_and_exit() {
  print_usage(std::cout);
  std::cout.flush();
  std::exit(1);
}

// Every option: its word, whether the next argument is its value, and what it does. A new
// option is one row here plus the facade operation it calls.
struct Option {
  const char* word;
  bool takes_value;
  void (*apply)(Quarnel& q, const char* value);  // value is null for options without one
};

const Option options[] = {
    {"-r", true, [](Quarnel& q, const char* v) { q.set_release(v); }},
    {"-a", true, [](Quarnel& q, const char* v) { q.set_algorithm(v); }},
    {"-e", true, [](Quarnel& q, const char* v) { q.set_card_encoding(v); }},
    {"-m", true, [](Quarnel& q, const char* v) { q.set_relate_relax_vars(std::atoi(v)); }},
    {"-s", true,
     [](Quarnel& q, const char* v) {
       if (std::strcmp(v, "all") == 0)
         q.set_enumerate_models();
       else
         q.set_enumerate_models(std::atol(v));
     }},
    {"-T", true, [](Quarnel& q, const char* v) { q.set_timeout(std::atol(v)); }},
    {"-v", true, [](Quarnel& q, const char* v) { q.set_verbosity(std::atoi(v)); }},
    {"-p", false, [](Quarnel& q, const char*) { q.set_use_added_cls(); }},
    {"-w", false, [](Quarnel& q, const char*) { q.set_compute_model(); }},
    {"-so", false, [](Quarnel& q, const char*) { q.set_enum_orig_vars(); }},
    {"-sr", false, [](Quarnel& q, const char*) { q.set_enum_relax_vars(); }},
    {"-u", false,
     [](Quarnel& q, const char*) {
       q.set_lst_unsat_cls();
       q.set_compute_model();
     }},
    {"-l", false, [](Quarnel& q, const char*) { q.set_logging(); }},
    {"-C", false,
     [](Quarnel& q, const char*) {
       q.set_comp_format();
       q.set_compute_model();
     }},
    {"-NC", false,
     [](Quarnel& q, const char*) {
       q.unset_comp_format();
       q.unset_compute_model();
     }},
    {"-bmo", false, [](Quarnel& q, const char*) { q.set_bmo_mode(); }},
    {"-oll", false, [](Quarnel& q, const char*) { q.set_oll_engine(); }},
    {"-anytime", true, [](Quarnel&, const char* v) { QuarnelExtended::bind_instance()->set_anytime_mode(v); }},
    {"-seed", true, [](Quarnel&, const char* v) { QuarnelExtended::bind_instance()->set_local_search_seed(v); }},
    {"-mse", false, [](Quarnel&, const char*) { QuarnelExtended::bind_instance()->set_mse_output(); }},
    {"-h", false, [](Quarnel&, const char*) { usage_and_exit(); }},
};

// Writes one banner line to standard output and, when open, to the log file.
void banner_line(const std::string& line, bool to_log) {
  std::cout << line << std::endl;
  if (to_log && Logger::logf != nullptr) *Logger::logf << line << std::endl;
}

}  // namespace

void print_usage(std::ostream& out) { out << usage_text; }

const char* parse_cmdline_options(Quarnel& q, int argc, char** argv) {
  q.set_runtime_defaults();
  if (argc == 1) usage_and_exit();
  if (argc < 1) return nullptr;

  int i = 1;
  while (i < argc) {
    const char* arg = argv[i];
    const Option* opt = std::find_if(std::begin(options), std::end(options),
                                     [arg](const Option& o) { return std::strcmp(arg, o.word) == 0; });
    if (opt == std::end(options)) return arg;
    if (!opt->takes_value) {
      opt->apply(q, nullptr);
      i += 1;
      continue;
    }
    // An option that takes a value but comes last has none: the arguments have ended.
    if (i + 1 >= argc) return nullptr;
    opt->apply(q, argv[i + 1]);
    i += 2;
  }
  return nullptr;
}

void print_header(Quarnel& q, const char* fname) {
  const std::string tool = QUARNEL_TOOL_NAME;
  if (q.get_logging()) {
    LogUtils::set_log_fname(QUARNEL_LOG_FNAME);
    banner_line("c *** Quarnel MaxSAT Solver ***", true);
    banner_line("c *** " + tool + ", version " QUARNEL_VERSION ", distrib " QUARNEL_DISTRIB_DATE
                ", built " QUARNEL_BUILD_DATE " ***", true);
    banner_line("c *** " QUARNEL_CONTACT " ***", true);
    banner_line("c ", true);
  } else if (q.get_comp_format()) {
    banner_line("c *** " + tool + " MaxSAT solver, version " QUARNEL_VERSION
                ", built " QUARNEL_BUILD_DATE " ***", false);
    banner_line("c *** Author: " QUARNEL_MAINTAINER " (" QUARNEL_CONTACT ") ***", false);
    banner_line(std::string("c *** Instance: ") + fname + " ***", false);
    banner_line("c ", false);
  } else {
    std::cout << "Running instance: " << fname << "\n";
  }
}
