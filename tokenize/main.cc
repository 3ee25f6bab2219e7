// vornik-tokenize: raw text in, one token per line out. Everything is in
// tokenize_command, which tests call without a process.
#include <iostream>

#include "tokenize/command.h"

int main(int argc, char **argv) {
  std::ios::sync_with_stdio(false);
  return vornik::tokenize_command({argv + 1, argv + argc}, std::cin, std::cout, std::cerr);
}
