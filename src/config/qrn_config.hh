// The process-wide configuration record and the numeric codes of problem types, releases,
// algorithms and encodings. Only the facade and the command-line driver read the record; the
// facade's setters are its only writers (loading a file sets the problem type it read). The
// subsystems below get what they need as values when they are made (the core-guided
// algorithms a CoreLoopSettings, the BMO mode a BmoReporting, the reader a progress flag).
#ifndef QUARNEL_CONFIG_QRN_CONFIG_HH
#define QUARNEL_CONFIG_QRN_CONFIG_HH

// Problem types: the result of reading an instance, and the setting that chooses how the
// engine relaxes cores.
enum MS_Problems {
  MS_PLAIN = 0xFD01,
  MS_PARTIAL = 0xFD02,
  MS_WEIGHTED = 0xFD04,
  MS_SOFTCNF = 0xFD08,
};

// Releases: each fixes the algorithm, the encoding and the per-clause constraint together.
enum QRNReleases {
  QRN_REL_1_0 = 0xFA01,
  QRN_REL_1_1 = 0xFA02,
  QRN_REL_1_2 = 0xFA04,
  QRN_REL_2_0 = 0xFA08,
  QRN_REL_3_0 = 0xFA10,
  QRN_REL_3_1 = 0xFA11,
  QRN_REL_4_0 = 0xFA20,
};

// Algorithm classes made by the facade; only QRN1 solves, the others are placeholders.
enum QRNAlgorithms {
  QRN_ALG_1 = 0xFB01,
  QRN_ALG_2 = 0xFB02,
  QRN_ALG_3 = 0xFB04,
  QRN_ALG_31 = 0xFB05,
  QRN_ALG_4 = 0xFB08,
};

// Cardinality encodings by option letter; only sequential counter, pairwise and bitwise
// have an encoder behind them.
enum QRNEncodings {
  QRN_ENC_ADDERS = 0xFC01,     // "a"
  QRN_ENC_BDD_EQUIV = 0xFC02,  // "b"
  QRN_ENC_BDD_IMPL = 0xFC04,   // "i"
  QRN_ENC_SEQ_COUNTER = 0xFC08,  // "c"
  QRN_ENC_PAIRWISE = 0xFC10,   // "e"
  QRN_ENC_SORTERS = 0xFC20,    // "s"
  QRN_ENC_BITWISE = 0xFC40,    // "l"
};

class QRNConfig {
public:
  static int verbosity;                  // 0 at start; 1 after the runtime defaults
  static bool logging;                   // write the banner to the log file too
  static bool comp_format;               // MaxSAT evaluation output format
  static bool relate_relax_vars;         // per-clause at-most-one over relaxation variables
  static bool use_added_relax_cls;       // pruning clauses for relaxation variables
  static bool bmo_mode;                  // examine BMO structure instead of solving
  static bool enum_models;               // enumerate optimal model cubes
  static bool enum_rv;                   // exclude found cubes over relaxation (true) or input variables
  static long num_cubes;                 // cubes requested; -1 means all
  static bool lst_model;                 // compute and print the model
  static bool lst_unsat_cls;             // list the clauses the solution falsifies
  static bool optlock;                   // once set, release/algorithm/encoding only validate
  static int relate_relax_vars_thres;    // relaxation variables of one clause from which it is constrained
  static int qrnenc;                     // a QRNEncodings value
  static int qrnalg;                     // a QRNAlgorithms value
  static int qrnrel;                     // a QRNReleases value
  static int qrntype;                    // an MS_Problems value
  static long tool_timeout;              // CPU time budget in seconds
  static bool use_oll;                   // solve with the incremental engine ("-oll")
  static int anytime_mode;               // -oll's solution-improving phases: 0 off, 1 on, 2 always
  static unsigned long long local_search_seed;  // seed of -oll's local search
  static bool mse_output;                // the evaluation's 0/1 "v" line and exit statuses ("-mse")
};

#endif
