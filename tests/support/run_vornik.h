// Test helpers: run programs (above all the built vornik, with the stand-in tagger
// first on PATH) as child processes, scratch files in a per-test temporary folder, the
// CoNLL-2000 corpus, and the bytes a printer writes.
#pragma once
#include <sys/types.h>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

struct RunResult {
  std::string out, err;
  int status = -1;  // exit status, or 128 + signal number
};

// Changes to a child's environment; the value "\x01" unsets the variable.
using Env = std::map<std::string, std::string>;

// Asks `done` every 5 ms until it holds or `timeout_ms` have passed; its last answer.
bool poll_until(const std::function<bool()> &done, int timeout_ms);
// Starts argv (argv[0] a path) with `env` applied and in, out, err as its standard
// streams; descriptors opened close-on-exec stay out of the child.
pid_t spawn(const std::vector<std::string> &argv, const Env &env, int in, int out, int err);
// Reaps `pid`: its exit status, or 128 + signal number.
int wait_status(pid_t pid);
// Runs argv with `input` on standard input and collects both output streams.
RunResult run_program(const std::vector<std::string> &argv, const std::string &input = "",
                      const Env &env = {});
// Runs `script` with bash, "$0" being the built vornik, in vornik's environment (as
// run_vornik sets it up): for runs that need redirections or pipelines.
RunResult run_vornik_script(const std::string &script, const std::string &input = "",
                            const Env &env = {});
// Runs vornik with `args` (argv[0] excluded): stand-in tagger first on PATH, CHUNKPATH
// unset, then `env`.
RunResult run_vornik(const std::vector<std::string> &args, const std::string &input = "",
                     const Env &env = {});
// Starts vornik as run_vornik does, with in, out, err as its standard streams.
pid_t spawn_vornik(const std::vector<std::string> &args, const Env &env, int in, int out, int err);

// A child spoken to one request at a time over pipes on its standard input and output
// (its standard error is the test's): `start` spawns it on the two descriptors given.
// Killed and reaped when the object dies, unless finish() reaped it.
class Coprocess {
 public:
  explicit Coprocess(const std::function<pid_t(int in, int out)> &start);
  ~Coprocess();
  Coprocess(const Coprocess &) = delete;
  Coprocess &operator=(const Coprocess &) = delete;

  // Writes `text`, then reads until what it read ends in a blank line, the output ends
  // or 5 s pass without a byte: what it read.
  std::string exchange(const std::string &text);
  // Closes its input, reads its output to the end into `rest` and reaps it: its exit
  // status.
  int finish(std::string &rest);

 private:
  int to_ = -1, from_ = -1;
  pid_t pid_ = -1;
};

// A fresh temporary folder, removed with everything in it when the object dies.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir &) = delete;
  ScratchDir &operator=(const ScratchDir &) = delete;
  const std::string &path() const { return path_; }
  // Writes `content` to path()/name and returns the full path.
  std::string write(const std::string &name, const std::string &content) const;
  // Contents of path()/name, or "" when it does not exist.
  std::string read(const std::string &name) const;

 private:
  std::string path_;
};

// vornik running in the background (a server), standard input from /dev/null, output
// streams in files; killed and reaped when the object dies.
class BackgroundVornik {
 public:
  explicit BackgroundVornik(const std::vector<std::string> &args, const Env &env = {});
  ~BackgroundVornik();
  BackgroundVornik(const BackgroundVornik &) = delete;
  BackgroundVornik &operator=(const BackgroundVornik &) = delete;

  pid_t pid() const { return pid_; }
  std::string out() const { return dir_.read("stdout"); }
  std::string err() const { return dir_.read("stderr"); }
  bool running();
  // Waits until standard error contains `text`; false if the process ended first or
  // the time ran out.
  bool wait_for_err(const std::string &text, int timeout_ms = 10000);
  // Waits for the process to end: its exit status, or -1 if still running at timeout.
  int wait_exit(int timeout_ms = 10000);
  int open_descriptors() const;

 private:
  ScratchDir dir_;
  pid_t pid_ = -1;
  int status_ = -1;  // set once the process has been reaped
};

// The path of conll2000/`name` (train.txt, test.txt) under the corpus folder: the one
// in $VORNIK_DATA when it is set, else the CMake variable VORNIK_DATA_DIR.
std::string corpus_file(const std::string &name);
// Empty when corpus_file(`name`) exists; otherwise why a test that needs it is skipped.
std::string corpus_missing(const std::string &name);

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
