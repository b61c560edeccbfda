// The engine's variables: values read the way their names say, text copied,
// kept per instance and per running object.
#pragma once
#include <map>
#include <string>

#include "engine_abi.h"
#include "support/engine_text.h"

namespace strevo::engine {

struct Stored {
  VarKind kind = VarKind::Int;  // Int, Float or Text once stored
  vlc_value_t raw{};
  std::string text;
};

using VarStore = std::map<std::string, Stored>;

// Reads a value the way its name says, copying text (the caller's pointer
// does not outlive the call). `traced` gets the trace text "type value".
Stored ReadValue(const char* name, vlc_value_t v, std::string& traced);

// Hands a stored value out; text points into the store. A result code.
int CopyOut(VarStore& vars, const char* name, vlc_value_t* value);

// The type code VLC_VariableType reports for a kind.
int TypeCode(VarKind kind);

// A stored value as text (integers in decimal); "" when not set.
std::string TextVar(const VarStore& vars, const char* name);
// A stored integer; `fallback` when not set or not an integer.
int IntVar(const VarStore& vars, const char* name, int fallback);

}  // namespace strevo::engine
