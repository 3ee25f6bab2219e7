// The corpus folder of the tests: $VORNIK_DATA, else the configured VORNIK_DATA_DIR;
// a test that needs a missing file says where it looked.
#include "support/corpus.h"

#include <cstdlib>
#include <filesystem>

std::string corpus_file(const std::string &name) {
  const char *data = std::getenv("VORNIK_DATA");
  return std::string(data && *data ? data : VORNIK_DATA_DIR) + "/conll2000/" + name;
}

std::string corpus_missing(const std::string &name) {
  const std::string path = corpus_file(name);
  if (std::filesystem::exists(path)) return "";
  return path + " not found: set VORNIK_DATA (or cmake -DVORNIK_DATA_DIR=...) to the folder " +
         "holding conll2000/";
}
