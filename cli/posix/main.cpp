// tarnwick-convert on POSIX systems: standard output through a buffer that keeps the first
// write error, and no end by SIGPIPE while a plan is written.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "convert_command.h"
#include "descriptor_buffer.h"
#include "interruptions.h"

int main(int argc, char* argv[]) {
  tarnwick::IgnoreBrokenPipes();
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  tarnwick::DescriptorBuffer outBuffer(STDOUT_FILENO);
  std::ostream out(&outBuffer);
  return tarnwick::RunConvertCommand(arguments, out, std::cerr);
}
