// picture FILE [--ppm OUT]: loads a picture file as the program would and reports what it got.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "runtime/pictures/picture.h"

namespace cli {

namespace {

bool WritePpm(const std::string& path, const runtime::Picture& picture) {
  std::vector<uint32_t> colours = runtime::PictureColours(picture);
  if (colours.empty()) return false;
  std::string out =
      "P6\n" + std::to_string(picture.width) + " " + std::to_string(picture.height) + "\n255\n";
  out.reserve(out.size() + colours.size() * 3);
  for (uint32_t c : colours) {
    out.push_back(char(c & 0xFF));
    out.push_back(char(c >> 8 & 0xFF));
    out.push_back(char(c >> 16 & 0xFF));
  }
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
  ok = std::fclose(f) == 0 && ok;
  return ok;
}

// Prints "KIND WIDTH HEIGHT", or "null" (status 1) when the loader refuses the file.
int PictureCommand(const Arguments& args) {
  std::string file, ppm;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--ppm") {
      if (i + 1 >= args.size()) return Refuse("--ppm needs an output file");
      ppm = args[++i];
    } else if (file.empty()) {
      file = args[i];
    } else {
      return Refuse("picture takes one file");
    }
  }
  if (file.empty()) return Refuse("usage: picture FILE [--ppm OUT]");
  runtime::PicturePtr picture = runtime::LoadPictureFromFile(file);
  if (!picture) {
    std::printf("null\n");
    return 1;
  }
  std::printf("%d %d %d\n", int(picture->kind), picture->width, picture->height);
  if (!ppm.empty() && !WritePpm(ppm, *picture)) return Refuse("cannot write " + ppm);
  return 0;
}

Registration registration("picture", "picture FILE [--ppm OUT]", PictureCommand);

}  // namespace

}  // namespace cli
