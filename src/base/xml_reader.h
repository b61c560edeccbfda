// A small pull reader of XML documents, held in memory or arriving in pieces,
// for the guides that come as XML. It reads what machine-written feeds contain: elements with
// attributes, text, CDATA sections, the predefined and numeric character
// references, comments, processing instructions and a document type
// declaration (skipped). Text is returned as UTF-8; the caller converts a
// document of another encoding first. Ours rather than the system's reader so
// that it is the same in every build, is tested natively and can be fuzzed.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace strevo {

// NeedMore: only from a reader fed in pieces, when the next node is not yet
// whole in what it was given; Append more (or EndOfInput) and ask again.
enum class XmlNode { StartElement, EndElement, Text, End, Error, NeedMore };

class XmlReader {
 public:
  // A whole document, read where it lies (it must outlive the reader).
  explicit XmlReader(std::string_view document);
  // A document given in pieces: each Append may be cut anywhere. The reader
  // keeps only what it has not read yet, and at most kMaxNode of it: a node
  // longer than that is an Error.
  XmlReader();
  void Append(std::string_view piece);
  void EndOfInput();

  // The next node. An empty element gives a start and then an end. Error is
  // final: a tag, comment or section left open, an end tag that does not
  // close the open element, text before the root element, or elements nested
  // deeper than kMaxDepth. Whatever follows the root element is not read.
  XmlNode Next();

  // Of the last StartElement or EndElement; like the attributes' names, valid
  // until the next call of Next or Append.
  std::string_view Name() const { return name_; }
  // Of the last StartElement, values decoded; names as written.
  const std::vector<std::pair<std::string_view, std::string>>& Attributes() const { return attributes_; }
  const std::string* Attribute(std::string_view name) const;
  // Of the last Text node: character data up to the next tag, CDATA included,
  // references decoded. Blank text between elements is not reported.
  const std::string& Text() const { return text_; }
  size_t Depth() const { return stack_.size(); }
  // Where the reader stopped with Error, counted from the document's start.
  size_t ErrorOffset() const { return base_ + pos_; }

  static constexpr size_t kMaxDepth = 256;
  static constexpr size_t kMaxNode = size_t{8} << 20;

 private:
  XmlNode Fail();
  bool SkipPast(std::string_view terminator);
  bool SkipDoctype();
  XmlNode ReadTag();
  XmlNode ReadText();
  // In a reader fed in pieces: the node at pos_ is whole in doc_, or the
  // input has ended, so it may be read as if the document were whole.
  bool NodeIsWhole() const;

  std::string_view doc_;
  std::string buffer_;  // a reader fed in pieces: what is left of them (doc_ views it)
  bool ended_ = true;   // every byte of the document is in doc_
  bool markChecked_ = true;
  size_t base_ = 0;     // document offset of doc_[0]
  size_t pos_ = 0;
  bool failed_ = false;
  bool pendingEnd_ = false;
  bool rootSeen_ = false;
  std::string_view name_;
  std::vector<std::pair<std::string_view, std::string>> attributes_;
  std::string text_;
  std::vector<std::string> stack_;  // owned: the text they came from is dropped as it is read
};

// Appends `raw` with its character references decoded. A reference that is
// not one of the predefined five or a valid numeric one stays as it is
// written, as do a lone "&" and an unterminated reference.
void AppendXmlText(std::string& out, std::string_view raw);

// The encoding named in the XML declaration at the start, lower-cased;
// empty when there is none.
std::string XmlDeclaredEncoding(std::string_view document);

}  // namespace strevo
