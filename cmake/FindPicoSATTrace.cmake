# Finds the PicoSAT library built with trace (clausal core) support, as Debian's
# `picosat` package ships it: header picosat/picosat.h, library libpicosat-trace.
# Defines the imported target PicoSAT::trace.
find_path(PicoSATTrace_INCLUDE_DIR picosat/picosat.h)
find_library(PicoSATTrace_LIBRARY NAMES picosat-trace)

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(PicoSATTrace
  REQUIRED_VARS PicoSATTrace_LIBRARY PicoSATTrace_INCLUDE_DIR)

if(PicoSATTrace_FOUND AND NOT TARGET PicoSAT::trace)
  add_library(PicoSAT::trace UNKNOWN IMPORTED)
  set_target_properties(PicoSAT::trace PROPERTIES
    IMPORTED_LOCATION "${PicoSATTrace_LIBRARY}"
    INTERFACE_INCLUDE_DIRECTORIES "${PicoSATTrace_INCLUDE_DIR}")
endif()
mark_as_advanced(PicoSATTrace_INCLUDE_DIR PicoSATTrace_LIBRARY)
