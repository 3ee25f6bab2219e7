// Entry point of vornik: everything happens in the driver.
#include "driver/vornik.h"

int main(int argc, char **argv) { vornik_main(argc, argv); }
