#include "playback/libvlc3_options.h"

#include <vlc/vlc.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <vector>
#include <cstdio>
#include <cstdlib>

namespace strevo {

namespace {

struct Rule {
  const char* name;  // after "conf::"
  Libvlc3Use use;
  const char* option;  // the 3.x media option, for MediaOption
};

// Every variable the player sets. Names that the 3.x engine still knows keep
// their name; the rest are translated or have no counterpart.
constexpr Rule kRules[] = {
    {"sout", Libvlc3Use::MediaOption, "sout"},
    {"demux", Libvlc3Use::MediaOption, "demux"},
    {"demuxdump-file", Libvlc3Use::MediaOption, "demuxdump-file"},
    {"miface-addr", Libvlc3Use::MediaOption, "miface-addr"},
    {"http-reconnect", Libvlc3Use::MediaOption, "http-reconnect"},
    {"audio-track", Libvlc3Use::MediaOption, "audio-track"},
    // Timeshift is part of the 3.x input itself, under these names.
    {"timeshift-dir", Libvlc3Use::MediaOption, "input-timeshift-path"},
    {"timeshift-granularity", Libvlc3Use::MediaOption, "input-timeshift-granularity"},
    {"dshow-size", Libvlc3Use::MediaOption, "dshow-size"},
    {"dshow-chroma", Libvlc3Use::MediaOption, "dshow-chroma"},
    // The capture module lost its own caching; live sources share one.
    {"dshow-caching", Libvlc3Use::MediaOption, "live-caching"},
    {"dshow-tuner-channel", Libvlc3Use::MediaOption, "dshow-tuner-channel"},
    {"dshow-tuner-country", Libvlc3Use::MediaOption, "dshow-tuner-country"},
    {"dshow-tuner-input", Libvlc3Use::MediaOption, "dshow-tuner-input"},
    {"contrast", Libvlc3Use::Picture, nullptr},
    {"brightness", Libvlc3Use::Picture, nullptr},
    {"saturation", Libvlc3Use::Picture, nullptr},
    {"gamma", Libvlc3Use::Picture, nullptr},
    {"hue", Libvlc3Use::Picture, nullptr},
    {"vout-filter", Libvlc3Use::FilterChain, nullptr},
    {"deinterlace-mode", Libvlc3Use::Deinterlace, nullptr},
    {"crop-geometry", Libvlc3Use::CropGeometry, nullptr},
    {"autocrop", Libvlc3Use::AutoCrop, nullptr},
    {"aspect-ratio", Libvlc3Use::AspectRatio, nullptr},
    {"directx-audio-device", Libvlc3Use::AudioDevice, nullptr},
    {"snapshot-path", Libvlc3Use::SnapshotPath, nullptr},
};

}  // namespace

bool EngineValueIsOn(const EngineValue& v) {
  switch (v.type) {
    case EngineValue::Type::Int: return v.i != 0;
    case EngineValue::Type::Float: return v.f != 0;
    case EngineValue::Type::String: return !v.s.empty() && v.s != "0";
  }
  return false;
}

namespace {

const Rule* RuleOf(const std::string& name) {
  static const std::string kConf = "conf::";
  if (name.rfind(kConf, 0) != 0) return nullptr;
  const std::string key = name.substr(kConf.size());
  for (const Rule& r : kRules)
    if (key == r.name) return &r;
  return nullptr;
}

}  // namespace

Libvlc3Use Libvlc3UseOf(const std::string& name) {
  if (name == "drawable") return Libvlc3Use::Drawable;
  const Rule* r = RuleOf(name);
  return r ? r->use : Libvlc3Use::Ignored;
}

std::string EngineValueText(const EngineValue& value) {
  switch (value.type) {
    case EngineValue::Type::Int: return std::to_string(value.i);
    case EngineValue::Type::Float: {
      char buf[32];
      std::snprintf(buf, sizeof buf, "%g", value.f);
      return buf;
    }
    case EngineValue::Type::String: return value.s;
  }
  return {};
}

std::string Libvlc3OptionKey(const std::string& name) {
  const Rule* r = RuleOf(name);
  return r && r->option ? r->option : "";
}

std::string Libvlc3MediaOption(const std::string& name, const EngineValue& value) {
  const std::string key = Libvlc3OptionKey(name);
  if (key.empty()) return {};
  // A flag: the engine's own spelling of on and off.
  if (key == "http-reconnect") return EngineValueIsOn(value) ? ":http-reconnect" : ":no-http-reconnect";
  const std::string text = EngineValueText(value);
  if (text.empty()) return {};
  if (key == "sout") return ":sout=" + Libvlc3SoutChain(text);
  // The 0.8 engine counts timeshift files in MiB, the 3.x input in bytes
  // (it logs "using timeshift granularity of 1 MiB" for the player's 1024).
  if (key == "input-timeshift-granularity")
    return ":" + key + "=" + std::to_string(std::clamp(std::strtoll(text.c_str(), nullptr, 10), 0LL, 1LL << 20) * 1048576);
  // The player's "no track chosen" leaves the choice to the engine.
  if (key == "audio-track" && text.front() == '-') return {};
  return ":" + key + "=" + text;
}

std::string Libvlc3SoutChain(const std::string& chain) {
  struct Block {
    bool isStd;
    bool atKey;  // at the start of an option's name
  };
  std::vector<Block> blocks;
  std::string out;
  bool quoted = false;
  for (size_t i = 0; i < chain.size(); ++i) {
    const char c = chain[i];
    if (quoted) {
      out += c;
      if (c == '\\' && i + 1 < chain.size()) out += chain[++i];
      else if (c == '"') quoted = false;
      continue;
    }
    if (c == '"') {
      quoted = true;
      if (!blocks.empty()) blocks.back().atKey = false;
      out += c;
    } else if (c == '{') {
      size_t start = out.size();
      while (start > 0 && (std::isalnum(static_cast<unsigned char>(out[start - 1])) || out[start - 1] == '_')) --start;
      const std::string module = out.substr(start);
      blocks.push_back({module == "std" || module == "standard", true});
      out += c;
    } else if (c == '}') {
      if (!blocks.empty()) blocks.pop_back();
      out += c;
    } else if (c == ',') {
      if (!blocks.empty()) blocks.back().atKey = true;
      out += c;
    } else if (!blocks.empty() && blocks.back().atKey) {
      blocks.back().atKey = false;
      if (blocks.back().isStd && chain.compare(i, 4, "url=") == 0) {
        out += "dst=";
        i += 3;
      } else {
        out += c;
      }
    } else {
      out += c;
    }
  }
  return out;
}

Libvlc3Filters ParseFilterChain(const std::string& chain) {
  Libvlc3Filters f;
  size_t start = 0;
  while (start <= chain.size()) {
    size_t end = chain.find(':', start);
    if (end == std::string::npos) end = chain.size();
    const std::string part = chain.substr(start, end - start);
    if (part == "adjust") f.adjust = true;
    else if (part == "deinterlace") f.deinterlace = true;
    else if (part == "crop") f.crop = true;
    start = end + 1;
  }
  return f;
}

int Libvlc3AdjustOption(const std::string& name) {
  const std::string key = name.rfind("conf::", 0) == 0 ? name.substr(6) : name;
  if (key == "contrast") return libvlc_adjust_Contrast;
  if (key == "brightness") return libvlc_adjust_Brightness;
  if (key == "hue") return libvlc_adjust_Hue;
  if (key == "saturation") return libvlc_adjust_Saturation;
  if (key == "gamma") return libvlc_adjust_Gamma;
  return -1;
}

float Libvlc3AdjustValue(const std::string& name, const EngineValue& value) {
  float v = 0;
  switch (value.type) {
    case EngineValue::Type::Int: v = static_cast<float>(value.i); break;
    case EngineValue::Type::Float: v = value.f; break;
    case EngineValue::Type::String: v = std::strtof(value.s.c_str(), nullptr); break;
  }
  if (Libvlc3AdjustOption(name) == libvlc_adjust_Hue) {
    // The same angle, in the 3.x range: 270 degrees is -90.
    v = std::fmod(v, 360.0f);
    if (v < 0) v += 360;
    if (v > 180) v -= 360;
  }
  return v;
}

int SecondsFromMs(int64_t ms) {
  if (ms < 0) return kNoInput;
  return static_cast<int>(ms / 1000);
}

int64_t MsFromSeconds(int seconds) { return static_cast<int64_t>(seconds) * 1000; }

float FasterRate(float rate) { return rate * 2 > 8 ? 8.0f : rate * 2; }
float SlowerRate(float rate) { return rate / 2 < 0.125f ? 0.125f : rate / 2; }

}  // namespace strevo
