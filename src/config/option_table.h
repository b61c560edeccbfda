// A record of the configuration file described as rows: the field's position,
// its member in the settings struct, how it is stored and the range the
// control that shows it allows. Reading and writing a record are loops over
// its rows, so a field cannot be forgotten in one of them.
#pragma once
#include <algorithm>
#include <climits>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "config/config.h"
#include "base/text_helpers.h"

namespace strevo {

enum class OptionKind {
  Number,           // clamped into [min, max] on reading
  Choice,           // a list index: outside [min, max] reads as min
  Flag,             // only "1" sets
  ShownUnlessZero,  // only "0" clears
  Text,             // "|" and "^" stored as "^7C" and "^5E"
  BarlessText,      // "|" dropped on writing; read as it stands
  Colors,           // "a;b;c;…;", an empty part keeps its value
  FixedZero,        // always "0", never read
};

template <class S>
struct Option {
  using Member = std::variant<std::monostate, int S::*, bool S::*, std::string S::*, InterfaceColors S::*>;
  int index;  // field number in the record, the key being 0
  OptionKind kind;
  Member member;
  int min = INT_MIN;
  int max = INT_MAX;
  // Stored number = value - bias (a list whose entry 0 stands for "none"
  // stores -1 for it).
  int bias = 0;
};

namespace option_detail {

inline std::string WithoutBars(const std::string& text) {
  std::string out;
  for (char c : text)
    if (c != '|') out += c;
  return out;
}

template <class S>
void Read(const Option<S>& o, std::string_view value, S& s) {
  switch (o.kind) {
    case OptionKind::Number:
      // In 64 bits: a number read as INT_MAX plus the bias must not wrap.
      s.*std::get<int S::*>(o.member) = static_cast<int>(
          std::clamp<long long>(static_cast<long long>(ConfigNumber(value)) + o.bias, o.min, o.max));
      break;
    case OptionKind::Choice: {
      const long long v = static_cast<long long>(ConfigNumber(value)) + o.bias;
      s.*std::get<int S::*>(o.member) = v < o.min || v > o.max ? o.min : static_cast<int>(v);
      break;
    }
    case OptionKind::Flag: s.*std::get<bool S::*>(o.member) = ConfigFlag(value); break;
    case OptionKind::ShownUnlessZero: s.*std::get<bool S::*>(o.member) = value != "0"; break;
    case OptionKind::Text: s.*std::get<std::string S::*>(o.member) = TextFromStored(value); break;
    case OptionKind::BarlessText: s.*std::get<std::string S::*>(o.member) = std::string(value); break;
    case OptionKind::Colors: {
      InterfaceColors& colors = s.*std::get<InterfaceColors S::*>(o.member);
      for (size_t i = 0; i < colors.size(); ++i) {
        std::string part = ExtractField(value, ";", static_cast<int>(i));
        if (!part.empty()) colors[i] = ConfigNumber(part);
      }
      break;
    }
    case OptionKind::FixedZero: break;
  }
}

template <class S>
std::string Write(const Option<S>& o, const S& s) {
  switch (o.kind) {
    case OptionKind::Number:
    case OptionKind::Choice: return std::to_string(s.*std::get<int S::*>(o.member) - o.bias);
    case OptionKind::Flag:
    case OptionKind::ShownUnlessZero: return s.*std::get<bool S::*>(o.member) ? "1" : "0";
    case OptionKind::Text: return StoredText(s.*std::get<std::string S::*>(o.member));
    case OptionKind::BarlessText: return WithoutBars(s.*std::get<std::string S::*>(o.member));
    case OptionKind::Colors: {
      std::string out;
      for (int c : s.*std::get<InterfaceColors S::*>(o.member)) out += std::to_string(c) + ";";
      return out;
    }
    case OptionKind::FixedZero: return "0";
  }
  return {};
}

}  // namespace option_detail

// Every row's field of `record` into `s`; missing fields read as empty.
template <class S>
void ReadOptions(std::span<const Option<S>> table, std::string_view record, S& s) {
  for (const Option<S>& o : table) option_detail::Read(o, ExtractField(record, "|", o.index), s);
}

// The key, then the rows' fields in table order, each followed by "|".
template <class S>
std::string WriteOptions(std::span<const Option<S>> table, std::string_view key, const S& s) {
  std::string out(key);
  out += "|";
  for (const Option<S>& o : table) out += option_detail::Write(o, s) + "|";
  return out;
}

}  // namespace strevo
