// Entry point of vornik: everything happens in the driver (command line, sentence
// loop, server); main only hands over its arguments.
#include "driver/vornik.h"

int main(int argc, char **argv) { vornik_main(argc, argv); }
