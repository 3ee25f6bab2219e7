// Runs vornik in the background with its output streams in files, for tests that talk
// to it while it runs (server mode); the destructor kills and reaps it.
#include "background_vornik.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

BackgroundVornik::BackgroundVornik(const std::vector<std::string> &args,
                                   const std::map<std::string, std::string> &env) {
  const std::string out_path = dir_.write("stdout", "");
  const std::string err_path = dir_.write("stderr", "");
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    const int in = open("/dev/null", O_RDONLY);
    const int out = open(out_path.c_str(), O_WRONLY | O_APPEND);
    const int err = open(err_path.c_str(), O_WRONLY | O_APPEND);
    if (in < 0 || out < 0 || err < 0) _exit(127);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    close(in);
    close(out);
    close(err);
    exec_vornik(args, env);
  }
}

BackgroundVornik::~BackgroundVornik() {
  if (status_ < 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

bool BackgroundVornik::running() {
  if (status_ >= 0) return false;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) != pid_) return true;
  status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return false;
}

bool BackgroundVornik::wait_for_err(const std::string &text, int timeout_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    if (err().find(text) != std::string::npos) return true;
    if (!running() || std::chrono::steady_clock::now() > deadline) {
      return err().find(text) != std::string::npos;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

int BackgroundVornik::wait_exit(int timeout_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (running()) {
    if (std::chrono::steady_clock::now() > deadline) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return status_;
}

int BackgroundVornik::open_descriptors() const {
  int count = 0;
  for ([[maybe_unused]] const auto &entry :
       std::filesystem::directory_iterator("/proc/" + std::to_string(pid_) + "/fd")) {
    ++count;
  }
  return count;
}
