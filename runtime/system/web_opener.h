// Opening a web address in the user's browser. Addresses and commands are UTF-8.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace runtime {

// Opens the address through the desktop first and, where that fails (no desktop session, no
// opener installed), by starting the default web browser's desktop entry directly. True when one
// of them started; an empty address opens nothing.
bool OpenWebAddress(const std::string& address);

// How the desktop is asked to open an address; by default QDesktopServices::openUrl (false
// without a GUI application). An empty function restores the default.
using AddressOpener = std::function<bool(const std::string& address)>;
void SetDesktopOpener(AddressOpener opener);

// How a browser command is started; by default detached, its words split as a shell would
// (QProcess::splitCommand). An empty function restores the default.
using CommandStarter = std::function<bool(const std::string& command)>;
void SetCommandStarter(CommandStarter starter);

// The browser command for an address: the entry's Exec command cut where its first placeholder
// begins (%u, %U, %f or %F, bare or in quotation marks, the opening mark cut too; "%%" is a
// literal percent sign, not a placeholder), trailing blanks dropped, then a space and the address.
// A command without a placeholder is used whole.
std::string BrowserCommand(std::string_view exec, std::string_view address);

// The Exec command of the default web browser's desktop entry: the first installed entry that the
// mimeapps.list files name for x-scheme-handler/https, then x-scheme-handler/http, then text/html,
// the files read in the freedesktop order (XDG_CONFIG_HOME, XDG_CONFIG_DIRS,
// XDG_DATA_HOME/applications, XDG_DATA_DIRS/applications; in each folder the current desktop's
// <desktop>-mimeapps.list before mimeapps.list), the entries looked up in the applications folders
// of XDG_DATA_HOME and XDG_DATA_DIRS. Nothing when no step finds anything.
std::optional<std::string> DefaultBrowserExec();

}  // namespace runtime
