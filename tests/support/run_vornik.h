// Test helpers: run the built vornik binary as a child process with the stand-in
// tagger first on PATH, and make scratch files in a per-test temporary folder.
#pragma once
#include <map>
#include <string>
#include <vector>

struct RunResult {
  std::string out;
  std::string err;
  int status = -1;  // exit status, or 128 + signal number
};

// Runs vornik with `args` (argv[0] excluded), `input` on its standard input, and the
// extra environment `env` (a value of "\x01" unsets the variable).
RunResult run_vornik(const std::vector<std::string> &args, const std::string &input = "",
                     const std::map<std::string, std::string> &env = {});

// In a forked child: sets up the environment as run_vornik does (stand-in tagger first
// on PATH, CHUNKPATH unset, then `env`) and replaces the process with vornik.
[[noreturn]] void exec_vornik(const std::vector<std::string> &args,
                              const std::map<std::string, std::string> &env);

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

std::string vornik_binary();
std::string fake_orvit_dir();
