// The four message functions that every subsystem reports through. Each writes one line to
// standard output: the short tool name (empty until the facade's init), a keyword and the
// message, and flushes. They never filter by verbosity: the caller has decided the line is due.
#ifndef QUARNEL_UTIL_RUNTIME_MSGS_HH
#define QUARNEL_UTIL_RUNTIME_MSGS_HH

#include <cstdlib>
#include <iostream>
#include <string>

// Tool names: `tname` ("Quarnel") is kept but never printed; `stname` ("QRN") prefixes messages.
class RT {
public:
  static std::string tname;
  static std::string stname;
};

// Accessors of the tool names.
class XRT {
public:
  static std::string get_tname() { return RT::tname; }
  static void set_tname(std::string n) { RT::tname = std::move(n); }
  static std::string get_stname() { return RT::stname; }
  static void set_stname(std::string n) { RT::stname = std::move(n); }
};

template <typename Msg> void Warn(const Msg& msg) {
  std::cout << RT::stname << " WARN: " << msg << std::endl;
}

template <typename Msg> void Error(const Msg& msg) {
  std::cout << RT::stname << " ERROR: " << msg << std::endl;
}

template <typename Msg> void Info(const Msg& msg) {
  std::cout << RT::stname << " INFO: " << msg << std::endl;
}

// Reports an error and ends the process with exit status 3.
template <typename Msg> [[noreturn]] void Abort(const Msg& msg) {
  Error(msg);
  std::exit(3);
}


#endif
