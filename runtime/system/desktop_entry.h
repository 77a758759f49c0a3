// Readers of the freedesktop desktop-file format: desktop entries (*.desktop) and the
// mimeapps.list files that name each type's default application. These files come from the
// user's and the system's folders and may hold anything, so every reader answers any bytes: what a
// well-formed file says, or nothing.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace runtime {

// The value of `key` in a group named `group`: the text after the first '=' of the key's line,
// blanks around it dropped. Nothing when no such group holds the key, or when the value holds a
// control character (a value is one line of text).
std::optional<std::string> DesktopFileValue(std::string_view text, std::string_view group,
                                            std::string_view key);

// The desktop IDs that the [Default Applications] group of a mimeapps.list names for a type, in
// order of preference. Only plain file names ending in ".desktop" are kept, so an ID can never
// lead out of the applications folder.
std::vector<std::string> DefaultApplications(std::string_view mimeappsList,
                                             std::string_view mimeType);

// The Exec command of a desktop entry's [Desktop Entry] group, as written. Nothing when it is
// missing or empty, or when the entry is Hidden (the user deleted it).
std::optional<std::string> DesktopEntryExec(std::string_view desktopEntry);

}  // namespace runtime
