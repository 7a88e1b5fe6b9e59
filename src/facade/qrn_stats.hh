// Figures of the loaded instance, taken by the facade's solve() before the engine adds
// anything: the driver prints the model over the first `_num_init_vars` variables only.
#ifndef QUARNEL_FACADE_QRN_STATS_HH
#define QUARNEL_FACADE_QRN_STATS_HH

class QRNStats {
public:
  static long _num_init_vars;  // top variable id of the instance
  static long _num_init_cls;   // distinct clauses of the instance
};

#endif
