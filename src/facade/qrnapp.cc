// The facade's singleton and its configuration operations. Release, algorithm and encoding names
// are validated on every call, but they are stored only while the option lock is clear: the
// lock is set by the first valid release and by the runtime defaults, so on the command line
// (where the defaults come first) "-r", "-a" and "-e" only check their values, while a program
// that embeds the solver and names a release before the defaults gets that release.
#include "facade/qrnapp.hh"

#include <cstring>
#include <limits>

#include "util/logger.hh"
#include "util/runtime_msgs.hh"

QuarnelExtended* QuarnelExtended::qrn = nullptr;

QRNConfig* QRNAppObjs::_config = new QRNConfig();
QRNStats* QRNAppObjs::_stats = new QRNStats();
IDManager* QRNAppObjs::_imgr = nullptr;
BasicClauseSet* QRNAppObjs::_clset = nullptr;
UnsatMaxSATSolver* QRNAppObjs::_solver = nullptr;
long QRNAppObjs::_mincost = 0;
Cost QRNAppObjs::_mincost_exact = 0;
long QRNAppObjs::_ncubes = 0;
OllRun* QRNAppObjs::_oll = nullptr;
EngineListener* QRNAppObjs::_listener = nullptr;
void (*QRNAppObjs::_out_of_time)() = nullptr;

Quarnel& Quarnel::instance() { return *QuarnelExtended::bind_instance(); }

QuarnelExtended* QuarnelExtended::bind_instance() {
  if (qrn == nullptr) qrn = new QuarnelExtended();
  return qrn;
}

void QuarnelExtended::release_instance() {
  if (qrn == nullptr) return;
  Quarnel* q = qrn;
  delete q;
  qrn = nullptr;
}

IDManager* QuarnelExtended::get_id_manager() { return QRNAppObjs::_imgr; }
BasicClauseSet* QuarnelExtended::get_clause_set() { return QRNAppObjs::_clset; }

namespace {

struct ReleaseRow {
  const char* name;
  int rel;
  int alg;
  int enc;
};

// Every release turns the per-clause constraint on with threshold 3.
const ReleaseRow release_table[] = {
    {"1.0", QRN_REL_1_0, QRN_ALG_1, QRN_ENC_PAIRWISE},
    {"1.1", QRN_REL_1_1, QRN_ALG_1, QRN_ENC_SEQ_COUNTER},
    {"1.2", QRN_REL_1_2, QRN_ALG_1, QRN_ENC_BITWISE},
    {"2.0", QRN_REL_2_0, QRN_ALG_2, QRN_ENC_BITWISE},
    {"3.0", QRN_REL_3_0, QRN_ALG_3, QRN_ENC_SORTERS},
    {"3.1", QRN_REL_3_1, QRN_ALG_31, QRN_ENC_SORTERS},
    {"4.0", QRN_REL_4_0, QRN_ALG_4, QRN_ENC_SORTERS},
};

struct NamedCode {
  const char* name;
  int code;
};

const NamedCode algorithm_table[] = {
    {"1", QRN_ALG_1}, {"2", QRN_ALG_2}, {"3", QRN_ALG_3}, {"3.1", QRN_ALG_31}, {"4", QRN_ALG_4},
};

const NamedCode encoding_table[] = {
    {"a", QRN_ENC_ADDERS},      {"b", QRN_ENC_BDD_EQUIV}, {"i", QRN_ENC_BDD_IMPL},
    {"c", QRN_ENC_SEQ_COUNTER}, {"e", QRN_ENC_PAIRWISE},  {"s", QRN_ENC_SORTERS},
    {"l", QRN_ENC_BITWISE},
};

void apply_release(const ReleaseRow& row) {
  QRNConfig::qrnrel = row.rel;
  QRNConfig::relate_relax_vars = true;
  QRNConfig::relate_relax_vars_thres = 3;
  QRNConfig::qrnalg = row.alg;
  QRNConfig::qrnenc = row.enc;
}

// Looks `name` up in `table`; an unknown name is fatal with `error`.
template <std::size_t N>
int lookup_code(const NamedCode (&table)[N], const char* name, const char* error) {
  for (const NamedCode& entry : table)
    if (std::strcmp(entry.name, name) == 0) return entry.code;
  Abort(error);
}

}  // namespace

void QuarnelExtended::set_prob_plain_maxsat() { QRNConfig::qrntype = MS_PLAIN; }
void QuarnelExtended::set_prob_partial_maxsat() { QRNConfig::qrntype = MS_PARTIAL; }
void QuarnelExtended::set_prob_weighted_maxsat() { QRNConfig::qrntype = MS_WEIGHTED; }
void QuarnelExtended::set_prob_soft_cnf() { QRNConfig::qrntype = MS_SOFTCNF; }

void QuarnelExtended::set_release(const char* rel) {
  for (const ReleaseRow& row : release_table) {
    if (std::strcmp(row.name, rel) != 0) continue;
    if (!QRNConfig::optlock) apply_release(row);
    QRNConfig::optlock = true;
    return;
  }
  Abort("Invalid QRN release");
}

void QuarnelExtended::set_algorithm(const char* alg) {
  int code = lookup_code(algorithm_table, alg, "Invalid QRN algorithm");
  if (!QRNConfig::optlock) QRNConfig::qrnalg = code;
}

void QuarnelExtended::set_card_encoding(const char* enc) {
  int code = lookup_code(encoding_table, enc, "Invalid CNF encoding");
  if (!QRNConfig::optlock) QRNConfig::qrnenc = code;
}

void QuarnelExtended::set_relate_relax_vars(int thres) {
  QRNConfig::relate_relax_vars = true;
  QRNConfig::relate_relax_vars_thres = thres;
}

void QuarnelExtended::set_use_added_cls() { QRNConfig::use_added_relax_cls = true; }
void QuarnelExtended::set_bmo_mode() { QRNConfig::bmo_mode = true; }

void QuarnelExtended::set_enumerate_models() {
  QRNConfig::enum_models = true;
  QRNConfig::num_cubes = -1;
}

void QuarnelExtended::set_enumerate_models(long ncubes) {
  QRNConfig::enum_models = true;
  QRNConfig::num_cubes = ncubes;
}

bool QuarnelExtended::get_enum_models() {
  if (!QRNConfig::enum_models) return false;
  if (QRNConfig::num_cubes < 0) return true;
  return QRNConfig::num_cubes >= QRNAppObjs::_ncubes;
}

void QuarnelExtended::set_enum_orig_vars() { QRNConfig::enum_rv = false; }
void QuarnelExtended::set_enum_relax_vars() { QRNConfig::enum_rv = true; }

long QuarnelExtended::get_num_init_vars() { return QRNStats::_num_init_vars; }
long QuarnelExtended::get_num_init_cls() { return QRNStats::_num_init_cls; }
long QuarnelExtended::get_min_unsat_cost() {
  // A cost beyond the signed range is stored with _mincost at its largest value.
  constexpr long max_signed = std::numeric_limits<long>::max();
  if (QRNAppObjs::_mincost == max_signed && QRNAppObjs::_mincost_exact > static_cast<Cost>(max_signed))
    Abort("Cost out of range");
  return QRNAppObjs::_mincost;
}

bool QuarnelExtended::get_exact_min_unsat_cost(std::uint64_t& cost) {
  if (QRNAppObjs::_mincost < 0) return false;
  // Below the largest signed value the signed cost is exact (and the one a caller may have set).
  const bool beyond_signed = QRNAppObjs::_mincost == std::numeric_limits<long>::max();
  cost = beyond_signed ? QRNAppObjs::_mincost_exact : static_cast<Cost>(QRNAppObjs::_mincost);
  return true;
}

void QuarnelExtended::store_cost(bool found, Cost cost) {
  constexpr long max_signed = std::numeric_limits<long>::max();
  QRNAppObjs::_mincost_exact = found ? cost : 0;
  QRNAppObjs::_mincost = !found ? -1 : cost > static_cast<Cost>(max_signed) ? max_signed : static_cast<long>(cost);
}

void QuarnelExtended::set_runtime_defaults() {
  QRNConfig::verbosity = 1;
  LogUtils::set_log_verbosity(1);
  if (!QRNConfig::optlock) apply_release(release_table[2]);  // release "1.2"
  QRNConfig::optlock = true;
  QRNConfig::comp_format = true;
  QRNConfig::lst_model = true;
}

void QuarnelExtended::set_compute_model() { QRNConfig::lst_model = true; }
void QuarnelExtended::unset_compute_model() { QRNConfig::lst_model = false; }
bool QuarnelExtended::get_compute_model() { return QRNConfig::lst_model; }

void QuarnelExtended::set_timeout(long secs) { QRNConfig::tool_timeout = secs; }

void QuarnelExtended::set_verbosity(int v) {
  QRNConfig::verbosity = v;
  LogUtils::set_log_verbosity(v);
}

int QuarnelExtended::get_verbosity() { return QRNConfig::verbosity; }

void QuarnelExtended::set_logging() { QRNConfig::logging = true; }
bool QuarnelExtended::get_logging() { return QRNConfig::logging; }

void QuarnelExtended::set_comp_format() { QRNConfig::comp_format = true; }

void QuarnelExtended::set_mse_output() {
  QRNConfig::mse_output = true;
  set_comp_format();
  set_compute_model();
}
void QuarnelExtended::unset_comp_format() { QRNConfig::comp_format = false; }
bool QuarnelExtended::get_comp_format() { return QRNConfig::comp_format; }

void QuarnelExtended::set_lst_unsat_cls() { QRNConfig::lst_unsat_cls = true; }
void QuarnelExtended::unset_lst_unsat_cls() { QRNConfig::lst_unsat_cls = false; }
bool QuarnelExtended::get_lst_unsat_cls() { return QRNConfig::lst_unsat_cls; }
