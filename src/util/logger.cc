// Logging state and its operations. The log file exists only to keep a copy of the banner;
// progress and results go to standard output alone.
#include "util/logger.hh"

#include "util/runtime_msgs.hh"

int Logger::verbosity = 1;
std::ofstream* Logger::logf = nullptr;
std::ostream* Logger::errf = nullptr;

void LogUtils::set_log_verbosity(int v) { Logger::verbosity = v; }

void LogUtils::set_error_stream(std::ostream* s) { Logger::errf = s; }

void LogUtils::set_tool_log_names(std::string tname, std::string stname) {
  XRT::set_tname(std::move(tname));
  XRT::set_stname(std::move(stname));
}

void LogUtils::set_log_fname(const char* fname) {
  // A second call replaces the earlier file rather than leaking its stream.
  delete Logger::logf;
  Logger::logf = new std::ofstream(fname, std::ios::out | std::ios::trunc);
}

void LogUtils::log_cleanup() {
  if (Logger::logf == nullptr) return;
  Logger::logf->flush();
  delete Logger::logf;
  Logger::logf = nullptr;
}
