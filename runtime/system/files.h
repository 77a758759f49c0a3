// Whole-file reading and writing on POSIX. Paths are in the system's encoding (UTF-8).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "runtime/services.h"

namespace runtime {

// The whole content of a regular file; false when it cannot be opened or read, is not a regular
// file, or is larger than a byte set can hold.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes);

// Writes the parts one after another into a new file beside the target, flushes it to the disk
// and renames it over the target: the target is either the whole new content or what it was. A
// symbolic link is written through to the file it names; a file that existed keeps its mode, and
// its owner and group where the process may set them; a new file gets 0666 less the umask. The
// process umask is never changed.
bool ReplaceFile(const std::string& path, std::span<const std::span<const uint8_t>> parts);

// Both note why they failed with NoteFileError (LastFileFailure in runtime/services.h), and clear
// the reason when they succeed.

}  // namespace runtime
