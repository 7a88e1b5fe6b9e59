#include "facade/qrn_stats.hh"

long QRNStats::_num_init_vars = 0;
long QRNStats::_num_init_cls = 0;
