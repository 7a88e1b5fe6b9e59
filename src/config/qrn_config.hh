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

// The record's members and their initial values, in force from static initialisation until the
// command line (or an embedding program) changes them.
class QRNConfig {
public:
  static inline int verbosity = 0;                // 1 after the runtime defaults
  static inline bool logging = false;             // write the banner to the log file too
  static inline bool comp_format = false;         // MaxSAT evaluation output format
  static inline bool relate_relax_vars = false;   // per-clause at-most-one over relaxation variables
  static inline bool use_added_relax_cls = false; // pruning clauses for relaxation variables
  static inline bool bmo_mode = false;            // examine BMO structure instead of solving
  static inline bool enum_models = false;         // enumerate optimal model cubes
  // Exclude found cubes over the relaxation variables (true) or the input variables ("-so");
  // the usage text names "-sr" the default.
  static inline bool enum_rv = true;
  static inline long num_cubes = 0;               // cubes requested; -1 means all
  static inline bool lst_model = false;           // compute and print the model
  static inline bool lst_unsat_cls = false;       // list the clauses the solution falsifies
  static inline bool optlock = false;             // once set, release/algorithm/encoding only validate
  static inline int relate_relax_vars_thres = 3;  // relaxation variables of one clause from which it is constrained
  static inline int qrnenc = QRN_ENC_BITWISE;     // a QRNEncodings value
  static inline int qrnalg = QRN_ALG_1;           // a QRNAlgorithms value
  static inline int qrnrel = QRN_REL_1_2;         // a QRNReleases value
  static inline int qrntype = MS_PLAIN;           // an MS_Problems value
  static inline long tool_timeout = 86400;        // CPU time budget in seconds
  static inline bool use_oll = false;             // solve with the incremental engine ("-oll")
  static inline int anytime_mode = 1;             // -oll's solution-improving phases: 0 off, 1 on, 2 always
  static inline unsigned long long local_search_seed = 1;  // seed of -oll's local search
  static inline bool mse_output = false;          // the evaluation's 0/1 "v" line and exit statuses ("-mse")
};

#endif
