// Server mode (not built yet: reports that and ends).
#include "driver/server.h"

#include <cstdio>
#include <cstdlib>

int bytes_expected = 0;

void serve_clients(const char *, chunkio_t *, int *) {
  std::fputs("server mode is not available yet\n", stderr);
  std::exit(255);
}
