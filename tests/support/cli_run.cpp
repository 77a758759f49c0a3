#include "tests/support/cli_run.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace testing_support {

std::string Quoted(const std::string& arg) {
  std::string q = "'";
  for (char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string TempPath(const std::string& suffix) {
  static int paths = 0;
  return testing::TempDir() + "xq_cli_" + std::to_string(getpid()) + "_" + std::to_string(++paths) +
         suffix;
}

CliRun RunCli(const std::vector<std::string>& args, const std::string& input) {
  const std::string in = TempPath(".in"), out = TempPath(".out"), err = TempPath(".err");
  std::ofstream(in, std::ios::binary) << input;
  std::string command = Quoted(std::string(XQ_BINARY_DIR) + "/cli/xiangqi-cli");
  for (const auto& a : args) command.append(" ").append(Quoted(a));
  command.append(" <").append(Quoted(in)).append(" >").append(Quoted(out));
  command.append(" 2>").append(Quoted(err));
  const int raw = std::system(command.c_str());
  CliRun run;
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.out = Slurp(out);
  run.err = Slurp(err);
  for (const std::string& file : {in, out, err}) std::remove(file.c_str());
  return run;
}

}  // namespace testing_support
