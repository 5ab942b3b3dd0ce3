#include <iostream>
#include <string>
#include <vector>

#include "convert_command.h"

int main(int argc, char* argv[]) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  return tarnwick::RunConvertCommand(arguments, std::cout, std::cerr);
}
