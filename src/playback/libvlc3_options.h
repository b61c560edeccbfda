// How the player's engine variables and units translate to the 3.x engine
// interface. The player keeps speaking the 0.8 engine's variables
// ("conf::sout", "conf::contrast", ...), seconds and a 0..200 volume; the 3.x
// interface takes per-media ":option" texts, calls on the media player and
// milliseconds. Pure logic, so every rule is tested without the library.
#pragma once
#include <cstdint>
#include <string>

#include "playback/engine.h"

namespace strevo {

// What setting an engine variable does in the 3.x binding.
enum class Libvlc3Use {
  MediaOption,   // an ":option" of every media started from now on
  Picture,       // a picture adjustment on the player (contrast, ..., hue)
  FilterChain,   // "vout-filter": which of adjust, deinterlace, crop are on
  Deinterlace,   // the deinterlace mode, used while the chain holds it
  CropGeometry,  // the crop geometry, used while the chain holds crop
  AutoCrop,      // automatic crop: none in 3.x, but it rules out the geometry
  AspectRatio,   // the player's aspect ratio
  AudioDevice,   // index in the audio card list; 0 the system's default
  SnapshotPath,  // the folder snapshots go to
  Drawable,      // the window the video is drawn into
  Ignored,       // no counterpart: logged and ignored
};

// The use of a variable of the engine instance: "conf::sout", "drawable", ...
Libvlc3Use Libvlc3UseOf(const std::string& name);

// The media option a MediaOption variable becomes, e.g. ":sout=#..." or
// ":live-caching=200"; "" when the value removes the option (an empty text,
// or audio track -1, the engine's own choice).
std::string Libvlc3MediaOption(const std::string& name, const EngineValue& value);
// The key under which a media option is kept, so that a later value replaces
// it: "sout" for ":sout=...", "http-reconnect" for ":no-http-reconnect".
std::string Libvlc3OptionKey(const std::string& name);

// The player's stream-output chain in 3.x terms: the std module names its
// destination "dst", and reads "url" as the address it announces, so every
// std{} block's "url=" becomes "dst=". Quoted texts are left as they are.
std::string Libvlc3SoutChain(const std::string& chain);

// The value as decimal or plain text, and whether it counts as a set flag.
std::string EngineValueText(const EngineValue& value);
bool EngineValueIsOn(const EngineValue& value);

// "vout-filter" chains such as "adjust:deinterlace:crop".
struct Libvlc3Filters {
  bool adjust = false, deinterlace = false, crop = false;
};
Libvlc3Filters ParseFilterChain(const std::string& chain);

// 3.x adjustments index of a picture variable ("contrast" or
// "conf::contrast"), or -1 when the name is none of them.
int Libvlc3AdjustOption(const std::string& name);
// The value a picture variable gives that adjustment: contrast, brightness,
// saturation and gamma as they are; hue from 0..360 degrees to -180..180.
float Libvlc3AdjustValue(const std::string& name, const EngineValue& value);

// Units: the player speaks seconds and the engine's "no input" code (-20)
// when nothing plays; the 3.x interface milliseconds and -1.
inline constexpr int kNoInput = engine_abi::kNoObject;
int SecondsFromMs(int64_t ms);
int64_t MsFromSeconds(int seconds);

// Speed keys: the 0.8 engine doubled or halved the rate within 1/8..8.
float FasterRate(float rate);
float SlowerRate(float rate);

}  // namespace strevo
