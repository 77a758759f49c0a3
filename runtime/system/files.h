// Whole-file reading and writing on POSIX. Paths are in the system's encoding (UTF-8).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace runtime {

// The whole content of a regular file; false when it cannot be opened or read, is not a regular
// file, or is larger than a byte set can hold.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes);

// Writes the parts one after another into a new file beside the target, flushes it to the disk
// and renames it over the target: the target is either the whole new content or what it was.
bool ReplaceFile(const std::string& path, std::span<const std::span<const uint8_t>> parts);

// Why the latest ReadWholeFile or ReplaceFile failed, as the system words it (UTF-8, in the
// language of the user's locale); empty after one that succeeded. Callers that refuse a file
// before it reaches these (a bad name) say why with NoteFileError.
std::string LastFileFailure();
void NoteFileError(std::string reason);

}  // namespace runtime
