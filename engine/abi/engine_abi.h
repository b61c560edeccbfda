// The media engine's binary interface: what the player's binding, the stand-in
// engine and the tests must agree on to call each other across the DLL
// boundary. Portable (no Windows headers), so it also compiles natively.
#pragma once
#include <cstddef>
#include <cstdint>
#include <type_traits>

// The entry points use the C calling convention. On x86-64 there is only one
// convention; on 32-bit x86 the default could be changed by a compiler switch,
// so it is spelled out.
#if defined(_WIN32)
#define STREVO_ENGINE_CALL __cdecl
#else
#define STREVO_ENGINE_CALL
#endif

// The engine's 8-byte value, passed by value. It carries no type: the engine
// knows each variable's type by its name. The player fills only the start of
// it, with an integer, a float or a pointer to zero-terminated text.
typedef union {
  int i_int;
  float f_float;
  char* psz_string;
  void* p_address;
  int64_t i_time;
} vlc_value_t;

// Every member starts at the first byte; a real engine reads them there.
static_assert(sizeof(vlc_value_t) == 8, "the value union is 8 bytes");
static_assert(offsetof(vlc_value_t, i_int) == 0 && offsetof(vlc_value_t, f_float) == 0 &&
                  offsetof(vlc_value_t, psz_string) == 0 && offsetof(vlc_value_t, p_address) == 0 &&
                  offsetof(vlc_value_t, i_time) == 0,
              "every member of the value union starts at its first byte");
static_assert(sizeof(int) == 4 && sizeof(float) == 4, "integers and floats fill one 32-bit word");
#if UINTPTR_MAX == 0xFFFFFFFFu
// 32-bit: two 32-bit words, text pointers in the first; the second word is
// carried along (by value, on the stack) and read only for 64-bit times.
static_assert(sizeof(char*) == 4 && sizeof(void*) == 4, "a pointer fills the first 32-bit word");
static_assert(alignof(vlc_value_t) >= 4, "the value union is word-aligned");
#else
// 64-bit: one 64-bit word (passed in a register), pointers fill all of it.
static_assert(sizeof(char*) == 8 && sizeof(void*) == 8, "a pointer fills the whole value");
static_assert(alignof(vlc_value_t) == 8, "the value union is aligned as a 64-bit word");
#endif

// Every entry point of the library, in the order the binding resolves them:
//   X(member, exported symbol, return type, parameter list)
// `member` is the name a table of function pointers uses; it differs from the
// symbol only where the symbol begins with "__".
#define STREVO_ENGINE_ENTRY_POINTS(X)                                                                    \
  X(rootwrap, rootwrap, int, (void))                                                                     \
  X(VLC_AddIntf, VLC_AddIntf, int, (int id, const char* module, int block, int play))                    \
  X(VLC_AddTarget, VLC_AddTarget, int,                                                                   \
    (int id, const char* target, const char** options, int optionCount, int mode, int position))        \
  X(VLC_CleanUp, VLC_CleanUp, int, (int id))                                                             \
  X(VLC_CompileBy, VLC_CompileBy, const char*, (void))                                                   \
  X(VLC_CompileDomain, VLC_CompileDomain, const char*, (void))                                           \
  X(VLC_CompileHost, VLC_CompileHost, const char*, (void))                                               \
  X(VLC_Compiler, VLC_Compiler, const char*, (void))                                                     \
  X(VLC_Create, VLC_Create, int, (void))                                                                 \
  X(VLC_Destroy, VLC_Destroy, int, (int id))                                                             \
  X(VLC_Die, VLC_Die, int, (int id))                                                                     \
  X(VLC_Error, VLC_Error, const char*, (int code))                                                       \
  X(VLC_FullScreen, VLC_FullScreen, int, (int id))                                                       \
  X(VLC_Init, VLC_Init, int, (int id, int argc, char* argv[]))                                           \
  X(VLC_IsPlaying, VLC_IsPlaying, int, (int id))                                                         \
  X(VLC_LengthGet, VLC_LengthGet, int, (int id))                                                         \
  X(VLC_Pause, VLC_Pause, int, (int id))                                                                 \
  X(VLC_Play, VLC_Play, int, (int id))                                                                   \
  X(VLC_PlaylistClear, VLC_PlaylistClear, int, (int id))                                                 \
  X(VLC_PlaylistIndex, VLC_PlaylistIndex, int, (int id))                                                 \
  X(VLC_PlaylistNext, VLC_PlaylistNext, int, (int id))                                                   \
  X(VLC_PlaylistNumberOfItems, VLC_PlaylistNumberOfItems, int, (int id))                                 \
  X(VLC_PlaylistPrev, VLC_PlaylistPrev, int, (int id))                                                   \
  X(VLC_PositionGet, VLC_PositionGet, float, (int id))                                                   \
  X(VLC_PositionSet, VLC_PositionSet, float, (int id, float position))                                   \
  X(VLC_SpeedFaster, VLC_SpeedFaster, float, (int id))                                                   \
  X(VLC_SpeedSlower, VLC_SpeedSlower, float, (int id))                                                   \
  X(VLC_Stop, VLC_Stop, int, (int id))                                                                   \
  X(VLC_TimeGet, VLC_TimeGet, int, (int id))                                                             \
  X(VLC_TimeSet, VLC_TimeSet, int, (int id, int seconds, int relative))                                  \
  X(VLC_VariableGet, VLC_VariableGet, int, (int id, const char* name, vlc_value_t* value))               \
  X(VLC_VariableSet, VLC_VariableSet, int, (int id, const char* name, vlc_value_t value))                \
  X(VLC_VariableType, VLC_VariableType, int, (int id, const char* name, int* type))                      \
  X(VLC_Version, VLC_Version, const char*, (void))                                                       \
  X(VLC_VolumeGet, VLC_VolumeGet, int, (int id))                                                         \
  X(VLC_VolumeMute, VLC_VolumeMute, int, (int id))                                                       \
  X(VLC_VolumeSet, VLC_VolumeSet, int, (int id, int volume))                                             \
  X(var_Set, __var_Set, int, (void* object, const char* name, vlc_value_t value))                        \
  X(var_Get, __var_Get, int, (void* object, const char* name, vlc_value_t* value))                       \
  X(vlc_object_find, __vlc_object_find, void*, (void* object, int kind, int mode))                       \
  X(vlc_current_object, vlc_current_object, void*, (int id))

namespace strevo::engine_abi {

// One pointer type per entry point: engine_abi::VLC_Create_fn, ...
#define STREVO_ENGINE_POINTER_TYPE(member, symbol, result, params) \
  using member##_fn = result(STREVO_ENGINE_CALL*) params;
STREVO_ENGINE_ENTRY_POINTS(STREVO_ENGINE_POINTER_TYPE)
#undef STREVO_ENGINE_POINTER_TYPE

// Result codes.
inline constexpr int kSuccess = 0;
inline constexpr int kNoMemory = -1;
inline constexpr int kThreadError = -2;
inline constexpr int kTimeout = -3;
inline constexpr int kNoModule = -10;
inline constexpr int kNoObject = -20;
inline constexpr int kBadObject = -21;
inline constexpr int kNoVariable = -30;
inline constexpr int kBadVariable = -31;
inline constexpr int kDied = -255;
inline constexpr int kGeneric = -666;
inline constexpr int kExited = -999;

// Variable type codes reported by VLC_VariableType.
inline constexpr int kTypeInteger = 0x0030;
inline constexpr int kTypeString = 0x0040;
inline constexpr int kTypeFloat = 0x0050;

// VLC_AddTarget: mode bits and the position that means the end of the list.
// The player appends and goes (12) at the end of the list; the background
// recorder at position 0.
inline constexpr int kModeAppend = 0x0004;
inline constexpr int kModeGo = 0x0008;
inline constexpr int kModeAppendAndGo = kModeAppend | kModeGo;
inline constexpr int kEndOfList = -666;

// Object kinds for __vlc_object_find, and its mode that searches the whole tree.
inline constexpr int kObjectInput = -7;
inline constexpr int kObjectVideoOutput = -9;
inline constexpr int kObjectAudioOutput = -10;
inline constexpr int kFindAnywhere = 3;

#if defined(_WIN32) && UINTPTR_MAX == 0xFFFFFFFFu
// 32-bit x86: a real engine's entry points are cdecl (the caller pops the
// arguments). Any other convention here would unbalance the stack on every call.
#define STREVO_ENGINE_CDECL_TYPE(member, symbol, result, params)                                   \
  static_assert(std::is_same_v<member##_fn, result(__attribute__((cdecl))*) params>,               \
                #symbol " is called with the C calling convention");
STREVO_ENGINE_ENTRY_POINTS(STREVO_ENGINE_CDECL_TYPE)
#undef STREVO_ENGINE_CDECL_TYPE
static_assert(sizeof(int64_t) == 8 && alignof(vlc_value_t) == alignof(int64_t),
              "a 64-bit time spans both words of the value union");
#endif

}  // namespace strevo::engine_abi

// For the engine's own definitions: each exported function has exactly the
// type the binding calls through (result, parameters and convention).
#define STREVO_ENGINE_DEFINITION_MATCHES(member, symbol, result, params)                            \
  static_assert(std::is_same_v<decltype(&symbol), ::strevo::engine_abi::member##_fn>,            \
                #symbol " is defined as the binding calls it");
