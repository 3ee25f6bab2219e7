// Test helper for the printers: what a function writes to a FILE, as a string, so that
// their exact bytes can be compared without temporary files.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

// Runs `print` on a memory stream and returns the bytes it wrote.
inline std::string capture(const std::function<void(FILE *)> &print) {
  char *buffer = nullptr;
  std::size_t size = 0;
  FILE *stream = open_memstream(&buffer, &size);
  print(stream);
  std::fclose(stream);
  std::string text(buffer, size);
  std::free(buffer);
  return text;
}
