// tarnwick-convert on POSIX systems: standard output through a buffer that keeps the first
// write error, and no end by a signal while a plan is written.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "convert_command.h"
#include "descriptor_buffer.h"

namespace {

// A closed standard descriptor would be given to the first file opened, and messages would be
// written into a plan: each is opened on /dev/null first. Whether standard output was closed.
bool OpenClosedStandardDescriptors() {
  const bool outputClosed = ::fcntl(STDOUT_FILENO, F_GETFD) == -1;
  for (int descriptor = STDIN_FILENO; descriptor <= STDERR_FILENO; ++descriptor) {
    // The lowest free descriptor is the one opened.
    if (::fcntl(descriptor, F_GETFD) == -1) {
      ::open("/dev/null", descriptor == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    }
  }
  return outputClosed;
}

}  // namespace

int main(int argc, char* argv[]) {
  const bool outputClosed = OpenClosedStandardDescriptors();
  // A write that fails is told by its error, not by a signal that ends the program part-way
  // through a plan: a closed pipe (SIGPIPE), a file size limit (SIGXFSZ).
  ::signal(SIGPIPE, SIG_IGN);
  ::signal(SIGXFSZ, SIG_IGN);
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  // A report to a closed standard output is lost: writing to no descriptor says so.
  tarnwick::DescriptorBuffer outBuffer(outputClosed ? -1 : STDOUT_FILENO);
  std::ostream out(&outBuffer);
  return tarnwick::RunConvertCommand(arguments, out, std::cerr);
}
