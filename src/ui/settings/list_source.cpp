#include "ui/settings/list_source.h"

namespace strevo {

ListSource ListSourceOf(int index, int count) {
  if (index < 0 || index >= count) return ListSource::Other;
  switch (count - index) {
    case 3: return ListSource::None;
    case 2: return ListSource::File;
    case 1: return ListSource::Address;
  }
  return ListSource::Other;
}

std::string ListSourceAddress(ListSource source, std::string_view chosenFile) {
  switch (source) {
    case ListSource::None: return "<None>";
    case ListSource::File: return chosenFile.empty() ? "C:\\PlayList.m3u" : std::string(chosenFile);
    case ListSource::Address: return "http://";
    case ListSource::Other: break;
  }
  return {};
}

std::string ListSourceLogLine(std::string_view address) {
  return "cbopers changed to \"" + std::string(address) + "\"";
}

}  // namespace strevo
