// Test helper: the real vornik binary running in the background (a server), with its
// standard output and error in files, always killed and reaped when the object dies.
#pragma once
#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

#include "run_vornik.h"

class BackgroundVornik {
 public:
  // Starts vornik with `args` and the extra environment `env` (as run_vornik does),
  // standard input from /dev/null.
  explicit BackgroundVornik(const std::vector<std::string> &args,
                            const std::map<std::string, std::string> &env = {});
  ~BackgroundVornik();
  BackgroundVornik(const BackgroundVornik &) = delete;
  BackgroundVornik &operator=(const BackgroundVornik &) = delete;

  pid_t pid() const { return pid_; }
  std::string out() const { return dir_.read("stdout"); }
  std::string err() const { return dir_.read("stderr"); }
  // Waits until standard error contains `text`; false when the process ended first or
  // the time ran out.
  bool wait_for_err(const std::string &text, int timeout_ms = 10000);
  // True while the process has not ended.
  bool running();
  // Waits for the process to end by itself: its exit status (128 + signal number when
  // killed), or -1 when it is still running after `timeout_ms`.
  int wait_exit(int timeout_ms = 10000);
  // Number of open file descriptors of the process.
  int open_descriptors() const;

 private:
  ScratchDir dir_;
  pid_t pid_ = -1;
  int status_ = -1;  // set once the process has been reaped
};
