// xiangqi-cli run as a user runs it, for the tests of its subcommands: arguments in, standard
// output and standard error back with the exit status.
#pragma once

#include <string>
#include <vector>

namespace testing_support {

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs the built xiangqi-cli with `args` (each quoted for the shell) and `input` on standard
// input. The cases of a test program run side by side under ctest: every run has files of its own.
CliRun RunCli(const std::vector<std::string>& args, const std::string& input = "");
// A path of this run's own in the test's temporary folder, ending in `suffix`.
std::string TempPath(const std::string& suffix);
// `arg` quoted for a shell (and for the engine client's splitting of a command line).
std::string Quoted(const std::string& arg);
// A file's bytes; empty when it cannot be read.
std::string Slurp(const std::string& path);

}  // namespace testing_support
