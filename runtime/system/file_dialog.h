// The system's file dialog for opening and saving. Texts here are UTF-8: the callers convert
// theirs from GB18030.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QFileDialog;

namespace runtime {

// One entry of a file-type list: what the user reads, and the patterns as stored, separated by
// semicolons ("*.ces" or "*.txt;*.log").
struct FileFilter {
  std::string description;
  std::string patterns;
  bool operator==(const FileFilter&) const = default;
};

struct FileDialogRequest {
  bool save = false;          // false: an open dialog, true: a save dialog
  std::string title;          // empty: Qt's own title for the kind of dialog
  std::string fileName;       // the initial file name; may hold a folder, or be one
  std::string initialFolder;  // empty (or missing): the current folder
  std::vector<FileFilter> filters;
  int filterIndex = 0;            // 0-based; out of range selects the first
  std::string defaultExtension;   // with or without its dot; added to a name typed without one
  bool fileMustExist = false;     // open dialogs only (a save dialog creates files)
  bool confirmOverwrite = false;  // save dialogs: ask before replacing an existing file
  bool pathMustExist = false;     // the folder of the chosen name must exist
  bool createPrompt = false;      // open dialogs: offer to create a file that does not exist
                                  // (outranks fileMustExist; the folder must exist)
};

// Reads a stored file-type list "description|patterns|description|patterns". A trailing "||" is
// allowed, an entry without patterns gets "*", and one with neither a description nor patterns is
// skipped. Never fails: empty input gives no entries.
std::vector<FileFilter> ParseFileFilter(std::string_view utf8);

// Shows the dialog modally over the active window and returns the chosen full path, or nothing
// when the user cancels or there is no application to show it in.
std::optional<std::string> ShowFileDialog(const FileDialogRequest& request);

// Replaces how the dialog is shown (tests answer dialogs this way); an empty function restores
// the system dialog.
using FileDialogHandler = std::function<std::optional<std::string>(const FileDialogRequest&)>;
void SetFileDialogHandler(FileDialogHandler handler);

// Sets up a dialog for a request: Qt's own dialog rather than the platform's (so the file name
// field can be typed into), the mode, the options, the type list, the default suffix and the
// initial folder and file. ShowFileDialog uses it; it is here so that the mapping can be checked.
// The checks Qt has no option for (pathMustExist, createPrompt) are made by the dialog that
// ShowFileDialog shows.
void ConfigureFileDialog(QFileDialog& dialog, const FileDialogRequest& request);

}  // namespace runtime
