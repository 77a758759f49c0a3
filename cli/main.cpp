// xiangqi-cli: the game without a window.
#include <cstdio>
#include <map>
#include <string>

#include "cli/cli.h"
#include "runtime/lifecycle.h"
#include "runtime/system/posix_services.h"

namespace cli {

namespace {

struct Entry {
  const char* usage;
  Handler handler;
};

std::map<std::string, Entry>& Subcommands() {
  static std::map<std::string, Entry> table;
  return table;
}

int Usage() {
  std::fprintf(stderr, "usage: xiangqi-cli SUBCOMMAND ...\n");
  for (const auto& [name, entry] : Subcommands()) std::fprintf(stderr, "  %s\n", entry.usage);
  return kBadInput;
}

}  // namespace

Registration::Registration(const char* name, const char* usage, Handler handler) {
  Subcommands()[name] = Entry{usage, handler};
}

int Refuse(const std::string& message) {
  std::fprintf(stderr, "xiangqi-cli: %s\n", message.c_str());
  return kBadInput;
}

}  // namespace cli

int main(int argc, char** argv) {
  runtime::InstallPosixServices();
  if (argc < 2) return cli::Usage();
  auto found = cli::Subcommands().find(argv[1]);
  if (found == cli::Subcommands().end()) return cli::Usage();
  cli::Arguments args(argv + 2, argv + argc);
  int status = found->second.handler(args);
  runtime::ShutdownRuntime();
  return status;
}
