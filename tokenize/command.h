// The vornik-tokenize command line: options, the input file and the messages and exit
// statuses a user sees. main only hands its arguments and streams to tokenize_command.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace vornik {

// The usage text printed by --help (to `out`) and after a usage error (to `err`).
extern const char kUsage[];

// Runs vornik-tokenize with the arguments after the program name. `in` is read for "-"
// or when no file is named; tokens go to `out`, messages to `err`. Returns the exit
// status: 0 done (also for --help and --version); 2 the input file cannot be opened or
// read ("vornik-tokenize: file 'NAME': REASON"); 1 the output cannot be written; 100 a
// usage error (unknown option, more than one file), with the usage text.
int tokenize_command(const std::vector<std::string> &args, std::istream &in, std::ostream &out,
                     std::ostream &err);

}  // namespace vornik
