// Writes the Mark tool's three cursor files into a folder:
//   make_cursors <folder>
// The Windows build runs it so that the files stand next to tavrin.exe.
#include <cstdio>
#include <string>

#include "resources/artwork/MarkStamps.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_cursors <folder>\n");
    return 2;
  }
  for (int i = 0; i < artwork::kMarkCount; ++i) {
    const std::string path = std::string(argv[1]) + "/" + artwork::kMarkCursorFiles[i];
    const auto bytes = artwork::MarkCursorFile(i);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() ||
        std::fclose(f) != 0) {
      std::fprintf(stderr, "make_cursors: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
