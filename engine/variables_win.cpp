#include "variables_win.h"

#include <windows.h>

#include <cstdint>

#include "trace_win.h"

namespace strevo::engine {

using namespace engine_abi;

namespace {

// True when the value's bits are a pointer to readable, zero-terminated text.
// Used only for variables that the player sends as integer or as text; their
// integers are small, far below any address that can hold text.
bool HoldsText(vlc_value_t v) {
  uintptr_t p = reinterpret_cast<uintptr_t>(v.p_address);
  const uint64_t bits = p;  // 64 bits wide also in a 32-bit build
  if (p < 0x10000) return false;
  if ((bits >> 32) == 0 && static_cast<uint32_t>(bits) >= 0xFFFF0000u) return false;  // a small negative int
  if ((bits >> 47) != 0) return false;  // no user-mode address
  MEMORY_BASIC_INFORMATION mbi;
  if (VirtualQuery(v.p_address, &mbi, sizeof mbi) == 0 || mbi.State != MEM_COMMIT) return false;
  const DWORD readable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                         PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
  if ((mbi.Protect & readable) == 0 || (mbi.Protect & (PAGE_GUARD | PAGE_NOACCESS))) return false;
  uintptr_t end = reinterpret_cast<uintptr_t>(mbi.BaseAddress) + mbi.RegionSize;
  for (uintptr_t q = p; q < end && q < p + 4096; ++q)
    if (*reinterpret_cast<const char*>(q) == '\0') return true;
  return false;
}

}  // namespace

Stored ReadValue(const char* name, vlc_value_t v, std::string& traced) {
  Stored s;
  VarKind k = VariableKind(name);
  if (k == VarKind::IntOrText) k = HoldsText(v) ? VarKind::Text : VarKind::Int;
  s.kind = k;
  s.raw.i_time = 0;
  switch (k) {
    case VarKind::Float:
      s.raw.f_float = v.f_float;
      traced = "float " + TraceFloat(v.f_float);
      break;
    case VarKind::Text:
      s.text = v.psz_string ? v.psz_string : "";
      traced = "string " + TraceText(v.psz_string);
      break;
    default:
      s.raw.i_int = v.i_int;
      traced = "int " + std::to_string(v.i_int);
  }
  return s;
}

int CopyOut(VarStore& vars, const char* name, vlc_value_t* value) {
  auto it = vars.find(name);
  if (it == vars.end()) return kNoVariable;
  *value = it->second.raw;
  if (it->second.kind == VarKind::Text) value->psz_string = it->second.text.data();
  return kSuccess;
}

int TypeCode(VarKind kind) {
  return kind == VarKind::Float ? kTypeFloat : kind == VarKind::Text ? kTypeString : kTypeInteger;
}

std::string TextVar(const VarStore& vars, const char* name) {
  auto it = vars.find(name);
  if (it == vars.end()) return {};
  return it->second.kind == VarKind::Text ? it->second.text : std::to_string(it->second.raw.i_int);
}

int IntVar(const VarStore& vars, const char* name, int fallback) {
  auto it = vars.find(name);
  if (it == vars.end()) return fallback;
  if (it->second.kind == VarKind::Int) return it->second.raw.i_int;
  return fallback;
}

}  // namespace strevo::engine
