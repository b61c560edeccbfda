// Whole-file reads and writes. A whole-file write goes to a temporary file in
// the same folder that then replaces the old one, so a crash or a full disk
// never leaves a half-written file behind.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace strevo {

// The file's bytes; false when it cannot be opened or read, or when it is
// larger than `maxBytes` (nothing is read then).
bool ReadFileBytes(std::string_view path, std::string& bytes, int64_t maxBytes = INT64_MAX);

// Writes `bytes` as the file's whole content, or leaves the old file untouched
// and returns false. Either way a reader sees the old or the new file whole.
// `flush`: the bytes reach the disk before the old file is replaced; without
// it a crash of the system may cost the new content (for files that are made
// again at will).
bool WriteFileReplacing(std::string_view path, std::string_view bytes, bool flush = true);

// The same for a file written in pieces: they go into the temporary file,
// which replaces `path` on Commit; without Commit (or when a write failed)
// it is deleted and the old file stays.
class ReplacingFile {
 public:
  explicit ReplacingFile(std::string_view path);
  ~ReplacingFile();
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;
  // False once the temporary file could not be made or a write failed.
  bool Write(std::string_view bytes);
  bool Commit(bool flush = true);

 private:
  std::wstring target_, temp_;
  void* handle_;  // the temporary file's; INVALID_HANDLE_VALUE once closed
  bool ok_;
};

// Appends `text` to the end of the file in one piece, even while other
// processes append to it too (the player, its background recorders and the
// engine all write one log); `create` makes the file when it is missing.
// False when it cannot be opened or written.
bool AppendToFile(const std::wstring& path, std::string_view text, bool create);

// Size in bytes, -1 when the file cannot be opened.
int64_t FileSizeOf(std::string_view path);

// At most `limit` bytes from the start of the file; false when it cannot be
// opened or read.
bool ReadFilePrefix(std::string_view path, size_t limit, std::string& bytes);

// Removes the folder and everything below it; nothing when it does not exist.
void RemoveFolderTree(std::string_view folder);

// Moves every file below `from` to the same place below `to`, creating
// folders and replacing files of the same name; false when one could not be
// moved (the others are still tried).
bool MoveFilesInto(std::string_view from, std::string_view to);

// Bytes free to this user on the drive named by the path's first character
// ("X:\\"); nothing when it cannot be read.
std::optional<int64_t> FreeBytesOfDrive(std::string_view path);

// Opens the file for writing, creating it when missing (an existing file keeps
// its bytes); whether that worked.
bool CanCreateFile(std::string_view path);

}  // namespace strevo
