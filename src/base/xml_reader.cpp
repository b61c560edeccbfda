#include "base/xml_reader.h"

#include <cstdint>
#include <algorithm>
#include <cstring>

#include "base/codepage.h"
#include "base/text_helpers.h"

namespace strevo {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsNameChar(char c) {
  return !IsSpace(c) && c != '>' && c != '/' && c != '=' && c != '<' && c != '"' && c != '\'';
}

// The code point of "&#...;" or "&#x...;" (without "&#" and ";"), or 0 when
// it is not a character XML allows.
uint32_t NumericReference(std::string_view digits) {
  const bool hex = !digits.empty() && (digits[0] == 'x' || digits[0] == 'X');
  if (hex) digits.remove_prefix(1);
  if (digits.empty() || digits.size() > 8) return 0;
  uint32_t v = 0;
  for (char c : digits) {
    uint32_t d;
    if (c >= '0' && c <= '9') d = static_cast<uint32_t>(c - '0');
    else if (hex && c >= 'a' && c <= 'f') d = static_cast<uint32_t>(c - 'a' + 10);
    else if (hex && c >= 'A' && c <= 'F') d = static_cast<uint32_t>(c - 'A' + 10);
    else return 0;
    v = v * (hex ? 16 : 10) + d;
  }
  const bool allowed = v == 0x9 || v == 0xA || v == 0xD || (v >= 0x20 && v <= 0xD7FF) ||
                       (v >= 0xE000 && v <= 0xFFFD) || (v >= 0x10000 && v <= 0x10FFFF);
  return allowed ? v : 0;
}

// Just past the ">" that ends a "<!DOCTYPE" begun before `from`, or npos: its
// internal subset in brackets, and quoted texts, may hold ">".
size_t DoctypeEnd(std::string_view text, size_t from) {
  int brackets = 0;
  char quote = 0;
  for (size_t i = from; i < text.size(); ++i) {
    const char c = text[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '[') {
      ++brackets;
    } else if (c == ']') {
      --brackets;
    } else if (c == '>' && brackets <= 0) {
      return i + 1;
    }
  }
  return std::string_view::npos;
}

}  // namespace

void AppendXmlText(std::string& out, std::string_view raw) {
  size_t i = 0;
  while (i < raw.size()) {
    const size_t amp = raw.find('&', i);
    if (amp == std::string_view::npos) {
      out.append(raw.substr(i));
      return;
    }
    out.append(raw.substr(i, amp - i));
    const size_t semi = raw.find(';', amp + 1);
    const std::string_view ref =
        semi == std::string_view::npos || semi - amp > 12 ? std::string_view() : raw.substr(amp + 1, semi - amp - 1);
    i = semi == std::string_view::npos ? amp + 1 : semi + 1;
    if (ref == "lt") out += '<';
    else if (ref == "gt") out += '>';
    else if (ref == "amp") out += '&';
    else if (ref == "quot") out += '"';
    else if (ref == "apos") out += '\'';
    else if (ref.size() > 1 && ref[0] == '#' && NumericReference(ref.substr(1)) != 0)
      AppendUtf8(out, NumericReference(ref.substr(1)));
    else {
      out += '&';  // kept as written
      i = amp + 1;
    }
  }
}

std::string XmlDeclaredEncoding(std::string_view document) {
  if (!document.starts_with("<?xml")) return {};
  const size_t end = document.find("?>");
  const std::string_view decl = document.substr(0, end);
  const size_t at = decl.find("encoding");
  if (at == std::string_view::npos) return {};
  size_t i = at + 8;
  while (i < decl.size() && (IsSpace(decl[i]) || decl[i] == '=')) ++i;
  if (i >= decl.size() || (decl[i] != '"' && decl[i] != '\'')) return {};
  const size_t close = decl.find(decl[i], i + 1);
  if (close == std::string_view::npos) return {};
  return AsciiLower(decl.substr(i + 1, close - i - 1));
}

XmlReader::XmlReader(std::string_view document) : doc_(document) {
  if (doc_.starts_with("\xEF\xBB\xBF")) pos_ = 3;
}

XmlReader::XmlReader() : ended_(false), markChecked_(false) {}

void XmlReader::Append(std::string_view piece) {
  // What was read goes, so that the reader holds about one piece.
  buffer_.erase(0, pos_);
  base_ += pos_;
  pos_ = 0;
  buffer_.append(piece);
  doc_ = buffer_;
}

void XmlReader::EndOfInput() { ended_ = true; }

bool XmlReader::NodeIsWhole() const {
  const std::string_view rest = doc_.substr(std::min(pos_, doc_.size()));
  if (rest.empty()) return false;
  constexpr std::string_view kCdata = "<![CDATA[";
  // Text runs to the next "<" that opens no CDATA section.
  auto textIsWhole = [&] {
    size_t i = 0;
    for (;;) {
      if (rest.substr(i).starts_with(kCdata)) {
        const size_t end = rest.find("]]>", i + kCdata.size());
        if (end == std::string_view::npos) return false;
        i = end + 3;
        continue;
      }
      if (i >= rest.size()) return false;
      if (rest[i] == '<') return rest.size() - i >= kCdata.size() || !kCdata.starts_with(rest.substr(i));
      i = rest.find('<', i);
      if (i == std::string_view::npos) return false;
    }
  };
  if (rest[0] != '<') return stack_.empty() || textIsWhole();  // outside the root: one blank at a time
  if (rest.size() < 2) return false;
  if (rest[1] == '?') return rest.find("?>", 2) != std::string_view::npos;
  if (rest[1] == '!') {
    if (rest.starts_with("<!--")) return rest.find("-->", 4) != std::string_view::npos;
    if (rest.size() < kCdata.size()) return false;
    if (rest.starts_with(kCdata)) return stack_.empty() || textIsWhole();
    return DoctypeEnd(rest, 2) != std::string_view::npos;
  }
  // A tag ends at the first ">" outside its quoted values.
  for (size_t i = 1;;) {
    i = rest.find_first_of("\"'>", i);
    if (i == std::string_view::npos) return false;
    if (rest[i] == '>') return true;
    i = rest.find(rest[i], i + 1);
    if (i == std::string_view::npos) return false;
    ++i;
  }
}

const std::string* XmlReader::Attribute(std::string_view name) const {
  for (const auto& [key, value] : attributes_)
    if (key == name) return &value;
  return nullptr;
}

XmlNode XmlReader::Fail() {
  failed_ = true;
  return XmlNode::Error;
}

bool XmlReader::SkipPast(std::string_view terminator) {
  const size_t at = doc_.find(terminator, pos_);
  if (at == std::string_view::npos) return false;
  pos_ = at + terminator.size();
  return true;
}

bool XmlReader::SkipDoctype() {
  const size_t end = DoctypeEnd(doc_, pos_);
  if (end == std::string_view::npos) {
    pos_ = doc_.size();
    return false;
  }
  pos_ = end;
  return true;
}

XmlNode XmlReader::Next() {
  if (failed_) return XmlNode::Error;
  if (pendingEnd_) {
    pendingEnd_ = false;
    stack_.pop_back();
    return XmlNode::EndElement;
  }
  if (!markChecked_) {
    // A byte-order mark, which may come in pieces too.
    constexpr std::string_view kMark = "\xEF\xBB\xBF";
    if (!ended_ && doc_.size() < kMark.size() && kMark.starts_with(doc_)) return XmlNode::NeedMore;
    if (doc_.starts_with(kMark)) pos_ = kMark.size();
    markChecked_ = true;
  }
  for (;;) {
    if (rootSeen_ && stack_.empty()) return XmlNode::End;  // whatever follows the root is not read
    if (!ended_ && !NodeIsWhole()) return doc_.size() - pos_ > kMaxNode ? Fail() : XmlNode::NeedMore;
    if (pos_ >= doc_.size()) return stack_.empty() && rootSeen_ ? XmlNode::End : Fail();
    if (doc_[pos_] != '<' || doc_.substr(pos_, 9) == "<![CDATA[") {
      if (stack_.empty()) {
        // Outside the root only blanks may stand.
        if (!IsSpace(doc_[pos_])) return Fail();
        ++pos_;
        continue;
      }
      const XmlNode text = ReadText();
      if (text == XmlNode::Text || text == XmlNode::Error) return text;
      continue;  // blank text
    }
    const std::string_view rest = doc_.substr(pos_);
    if (rest.starts_with("<!--")) {
      pos_ += 4;
      if (!SkipPast("-->")) return Fail();
    } else if (rest.starts_with("<?")) {
      if (!SkipPast("?>")) return Fail();
    } else if (rest.starts_with("<!")) {
      if (rootSeen_ || !SkipDoctype()) return Fail();
    } else {
      return ReadTag();
    }
  }
}

XmlNode XmlReader::ReadText() {
  text_.clear();
  bool blank = true;
  while (pos_ < doc_.size()) {
    if (doc_.substr(pos_, 9) == "<![CDATA[") {
      const size_t end = doc_.find("]]>", pos_ + 9);
      if (end == std::string_view::npos) return Fail();
      text_.append(doc_.substr(pos_ + 9, end - pos_ - 9));
      blank = false;
      pos_ = end + 3;
      continue;
    }
    if (doc_[pos_] == '<') break;
    size_t lt = doc_.find('<', pos_);
    if (lt == std::string_view::npos) lt = doc_.size();
    const std::string_view raw = doc_.substr(pos_, lt - pos_);
    for (char c : raw)
      if (!IsSpace(c)) {
        blank = false;
        break;
      }
    AppendXmlText(text_, raw);
    pos_ = lt;
  }
  return blank ? XmlNode::End : XmlNode::Text;  // End here only means "nothing to report"
}

XmlNode XmlReader::ReadTag() {
  attributes_.clear();
  ++pos_;  // "<"
  const bool closing = pos_ < doc_.size() && doc_[pos_] == '/';
  if (closing) ++pos_;
  const size_t nameStart = pos_;
  while (pos_ < doc_.size() && IsNameChar(doc_[pos_])) ++pos_;
  name_ = doc_.substr(nameStart, pos_ - nameStart);
  if (name_.empty()) return Fail();
  if (closing) {
    while (pos_ < doc_.size() && IsSpace(doc_[pos_])) ++pos_;
    if (pos_ >= doc_.size() || doc_[pos_] != '>' || stack_.empty() || stack_.back() != name_) return Fail();
    ++pos_;
    stack_.pop_back();
    return XmlNode::EndElement;
  }
  if (stack_.empty() && rootSeen_) return Fail();
  for (;;) {
    while (pos_ < doc_.size() && IsSpace(doc_[pos_])) ++pos_;
    if (pos_ >= doc_.size()) return Fail();
    if (doc_[pos_] == '>') {
      ++pos_;
      break;
    }
    if (doc_.substr(pos_, 2) == "/>") {
      pos_ += 2;
      pendingEnd_ = true;
      break;
    }
    const size_t keyStart = pos_;
    while (pos_ < doc_.size() && IsNameChar(doc_[pos_])) ++pos_;
    const std::string_view key = doc_.substr(keyStart, pos_ - keyStart);
    while (pos_ < doc_.size() && IsSpace(doc_[pos_])) ++pos_;
    if (key.empty() || pos_ >= doc_.size() || doc_[pos_] != '=') return Fail();
    ++pos_;
    while (pos_ < doc_.size() && IsSpace(doc_[pos_])) ++pos_;
    if (pos_ >= doc_.size() || (doc_[pos_] != '"' && doc_[pos_] != '\'')) return Fail();
    const char quote = doc_[pos_++];
    const size_t close = doc_.find(quote, pos_);
    if (close == std::string_view::npos) return Fail();
    std::string value;
    AppendXmlText(value, doc_.substr(pos_, close - pos_));
    pos_ = close + 1;
    attributes_.emplace_back(key, std::move(value));
  }
  if (stack_.size() >= kMaxDepth) return Fail();
  stack_.emplace_back(name_);
  rootSeen_ = true;
  return XmlNode::StartElement;
}

}  // namespace strevo
