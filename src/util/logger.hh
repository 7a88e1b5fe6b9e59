// Process-wide logging state: the verbosity that gates detailed progress lines, the optional
// log file that receives the banner, and an error stream that embedding programs may register.
#ifndef QUARNEL_UTIL_LOGGER_HH
#define QUARNEL_UTIL_LOGGER_HH

#include <fstream>
#include <ostream>
#include <string>

// The static logging record. The reader and the engine print their detailed progress lines
// only when `verbosity` is greater than 1; the facade keeps it equal to its own verbosity.
class Logger {
public:
  static int verbosity;          // starts at 1
  static std::ofstream* logf;    // owned; null while no log file is open
  static std::ostream* errf;     // not owned; registered by callers, never written by the solver
};

// Operations on the logging record.
class LogUtils {
public:
  static void set_log_verbosity(int v);
  static void set_error_stream(std::ostream* s);
  static void set_tool_log_names(std::string tname, std::string stname);
  // Creates (or empties) the log file. A file that cannot be created leaves the stream in its
  // failed state, and whatever is written to it is dropped: the run goes on without a log.
  static void set_log_fname(const char* fname);
  static void log_cleanup();
};

#endif
