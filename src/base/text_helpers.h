// Small text helpers shared by the whole program. They work on bytes, which
// for our UTF-8 texts gives the same results as for single-byte texts.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace strevo {

// Field `index` (from 0) of `source` split by `delim`. A field counts only when
// a delimiter follows it: the unterminated tail and fields past the end are "".
std::string ExtractField(std::string_view source, std::string_view delim, int index);

// Replaces every occurrence of `search`. A shorter replacement is rescanned as
// it goes, so one that forms a new occurrence with its neighbours is replaced
// too ("  " -> " " collapses any run of blanks); any other gets one plain pass
// from left to right, since its rescanning need never end.
std::string ReplaceAll(std::string_view search, std::string_view replacement, std::string_view source);

// Replaces the characters that cannot stand in a file name by "_".
std::string SafeFileName(std::string_view text);

bool IsAllDigits(std::string_view text);

// Decimal number read leniently: optional sign, digits up to the first other
// character (a leading blank included), 0 when there are none. Saturates
// instead of overflowing.
int StrToIntLenient(std::string_view text);

// The private working folder: the system temporary folder without its closing
// backslash (GetTempPath gives one), a backslash, the exe's name without its
// extension and ".Tmp".
std::string TempWorkFolder(std::string_view systemTempPath, std::string_view exePath);

// The path beside the executable with its extension replaced (".ini", ".log"...):
// everything from the last "." of the file name is replaced by `ending`.
std::string SiblingPath(std::string_view exePath, std::string_view ending);

// File name of a path (after the last "\" or "/").
std::string FileNameOf(std::string_view path);
// Folder of a path without the closing separator.
std::string FolderOf(std::string_view path);

std::string TrimBlanks(std::string_view text);  // blanks and control characters at both ends
std::string AsciiUpper(std::string_view text);
std::string AsciiLower(std::string_view text);

}  // namespace strevo
