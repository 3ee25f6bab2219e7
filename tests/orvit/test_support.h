// Helpers shared by the orvit tests: running the built programs through real
// pipes, temporary files, and the tiny hand-checked training corpus.
#pragma once

#include <string>
#include <vector>

namespace orvit_test {

struct RunResult {
  int status = -1;  // exit status, or -1 if killed by a signal
  std::string out;
  std::string err;
};

// Runs `argv` with `input` on standard input and collects both outputs.
RunResult run_program(const std::vector<std::string>& argv, const std::string& input);

// A program kept running so a test can talk to it sentence by sentence.
class Child {
 public:
  explicit Child(const std::vector<std::string>& argv);
  ~Child();
  void write(const std::string& data);
  // Reads until the output ends with `suffix` or `timeout_ms` passes with
  // no new data; returns everything read so far.
  std::string read_until(const std::string& suffix, int timeout_ms = 5000);
  // Closes standard input and returns the exit status.
  int finish(std::string* rest);

 private:
  int pid_ = -1, in_ = -1, out_ = -1;
  std::string buffered_;
};

// A file in a fresh temporary folder, removed with the folder at exit.
std::string temp_path(const std::string& name);
void write_text(const std::string& path, const std::string& text);
std::string read_text(const std::string& path);

// Three sentences: "a/X b/Y", "a/X b/Y", "c/Y".
extern const char kTinyCorpus[];

}  // namespace orvit_test
