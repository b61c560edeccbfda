// The list-source box of the settings: its last three entries choose where
// the channel list comes from ("none", a file, an address).
#pragma once
#include <string>
#include <string_view>

namespace strevo {

enum class ListSource { Other, None, File, Address };

// The entries are counted from the end, so entries put before them keep
// these meanings.
ListSource ListSourceOf(int index, int count);

// The address the choice sets; `chosenFile` is the file dialog's answer,
// empty when it was cancelled.
std::string ListSourceAddress(ListSource source, std::string_view chosenFile);

// The event log's line for a new address.
std::string ListSourceLogLine(std::string_view address);

}  // namespace strevo
