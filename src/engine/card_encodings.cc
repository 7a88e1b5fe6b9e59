#include "engine/card_encodings.hh"
