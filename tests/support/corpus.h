// Where the tests find the CoNLL-2000 corpus: the folder in the environment variable
// VORNIK_DATA when it is set, else the one configured as the CMake variable
// VORNIK_DATA_DIR (itself $VORNIK_DATA at configure time, or ../shared/data).
#pragma once
#include <string>

// The path of conll2000/`name` (train.txt, test.txt) under the corpus folder.
std::string corpus_file(const std::string &name);
// Empty when corpus_file(`name`) exists; otherwise why a test that needs it is skipped.
std::string corpus_missing(const std::string &name);
