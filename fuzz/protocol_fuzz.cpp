// A whole protocol session from untrusted bytes: the first byte picks UCCI, UCI or xboard, the rest
// is what the interface "types". Searches are kept tiny so that every input runs fast; an endless
// or pondering search is stopped at the end of the input. What is checked is that nothing
// crashes, hangs or races.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "engine/protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  engine::ProtocolSetup setup;
  setup.cap.depth = 2;
  setup.cap.nodes = 3000;
  setup.cap.movetime_ms = 50;
  setup.max_perft_depth = 2;
  setup.hash_mb = 1;
  setup.max_hash_mb = 2;
  std::istringstream in(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
  std::ostringstream out;
  switch (data[0] % 3) {
    case 0:
      engine::RunUcci(in, out, setup);
      break;
    case 1:
      engine::RunUci(in, out, setup);
      break;
    default:
      engine::RunXboard(in, out, setup);
      break;
  }
  return 0;
}
