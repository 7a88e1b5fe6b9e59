// Initial values of the configuration record, in force from static initialisation until the
// command line (or an embedding program) changes them.
#include "config/qrn_config.hh"

int QRNConfig::verbosity = 0;
bool QRNConfig::logging = false;
bool QRNConfig::comp_format = false;
bool QRNConfig::relate_relax_vars = false;
bool QRNConfig::use_added_relax_cls = false;
bool QRNConfig::bmo_mode = false;
bool QRNConfig::enum_models = false;
// Found cubes are excluded over the relaxation variables unless "-so" asks otherwise: the
// usage text names "-sr" the default.
bool QRNConfig::enum_rv = true;
long QRNConfig::num_cubes = 0;
bool QRNConfig::lst_model = false;
bool QRNConfig::lst_unsat_cls = false;
bool QRNConfig::optlock = false;
int QRNConfig::relate_relax_vars_thres = 3;
int QRNConfig::qrnenc = QRN_ENC_BITWISE;
int QRNConfig::qrnalg = QRN_ALG_1;
int QRNConfig::qrnrel = QRN_REL_1_2;
int QRNConfig::qrntype = MS_PLAIN;
long QRNConfig::tool_timeout = 86400;
bool QRNConfig::use_oll = false;
int QRNConfig::anytime_mode = 1;
unsigned long long QRNConfig::local_search_seed = 1;
bool QRNConfig::mse_output = false;
