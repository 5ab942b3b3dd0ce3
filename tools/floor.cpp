// tarnwick-floor SOURCE EXPECTED TARGET: does what any conversion of SOURCE must do on disk,
// writing the lines of EXPECTED (the FS9 plan a conversion wrote) into TARGET, to time it
// against tarnwick-convert as a process.
#include <cstdio>
#include <string>

#include "write_floor.h"

int main(int argc, char* argv[]) {
  if (argc != 4) {
    std::fputs("usage: tarnwick-floor SOURCE EXPECTED TARGET\n", stderr);
    return 2;
  }
  const std::string expected = tarnwick::FileText(argv[2]);
  return tarnwick::WriteFloor(argv[1], expected, argv[3]) ? 1 : 0;
}
