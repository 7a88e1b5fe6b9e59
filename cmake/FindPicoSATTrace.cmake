# Finds the PicoSAT library built with trace generation (clausal cores): header picosat/picosat.h,
# library libpicosat-trace. A local build under .deps/picosat-trace (made by
# scripts/build-picosat-trace.sh when the installed library lacks trace support) comes first.
# Defines the imported target PicoSAT::trace.
# PicoSATTrace_PREFIX names that local build; an installed quarnel package sets it to the copy
# it installed next to itself.
if(DEFINED PicoSATTrace_PREFIX)
  set(_picosat_local "${PicoSATTrace_PREFIX}")
else()
  set(_picosat_local "${PROJECT_SOURCE_DIR}/.deps/picosat-trace")
endif()
find_path(PicoSATTrace_INCLUDE_DIR picosat/picosat.h PATHS "${_picosat_local}/include" NO_DEFAULT_PATH)
find_path(PicoSATTrace_INCLUDE_DIR picosat/picosat.h)
find_library(PicoSATTrace_LIBRARY NAMES libpicosat-trace.a PATHS "${_picosat_local}/lib" NO_DEFAULT_PATH)
find_library(PicoSATTrace_LIBRARY NAMES libpicosat-trace.a picosat-trace)

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
