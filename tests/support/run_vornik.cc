// Child processes for the tests: input written by a thread while both output streams
// are drained with poll, so no pipe can fill up and stall; vornik in the background
// for servers; and where the corpus is.
#include "support/run_vornik.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <utility>

namespace {
std::vector<std::string> vornik_argv(const std::vector<std::string> &args) {
  std::vector<std::string> argv{VORNIK_BIN};
  argv.insert(argv.end(), args.begin(), args.end());
  return argv;
}

Env vornik_env(const Env &env) {
  const char *path = std::getenv("PATH");
  Env full{{"PATH", std::string(FAKE_ORVIT_DIR) + ":" + (path ? path : "")}, {"CHUNKPATH", "\x01"}};
  for (const auto &[name, value] : env) full[name] = value;
  return full;
}
}  // namespace

bool poll_until(const std::function<bool()> &done, int timeout_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return done();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

pid_t spawn(const std::vector<std::string> &argv, const Env &env, int in, int out, int err) {
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid > 0) return pid;
  dup2(in, 0);
  dup2(out, 1);
  dup2(err, 2);
  std::signal(SIGPIPE, SIG_DFL);
  for (const auto &[name, value] : env) {
    if (value == "\x01")
      unsetenv(name.c_str());
    else
      setenv(name.c_str(), value.c_str(), 1);
  }
  std::vector<char *> args;
  for (const std::string &a : argv) args.push_back(const_cast<char *>(a.c_str()));
  args.push_back(nullptr);
  execv(args[0], args.data());
  _exit(127);
}

int wait_status(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

RunResult run_program(const std::vector<std::string> &argv, const std::string &input,
                      const Env &env) {
  std::signal(SIGPIPE, SIG_IGN);  // a child that stops reading must not kill the test
  int in[2], out[2], err[2];
  if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC) || pipe2(err, O_CLOEXEC))
    throw std::runtime_error("pipe failed");
  const pid_t pid = spawn(argv, env, in[0], out[1], err[1]);
  for (int fd : {in[0], out[1], err[1]}) close(fd);
  std::thread writer([&] {  // ends early when the child stops reading
    for (ssize_t done = 0, n = 0; done < static_cast<ssize_t>(input.size()) && n >= 0; done += n)
      n = write(in[1], input.data() + done, input.size() - done);
    close(in[1]);
  });
  RunResult result;
  char buffer[65536];
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  while ((fds[0].fd >= 0 || fds[1].fd >= 0) && poll(fds, 2, -1) > 0) {
    for (int i = 0; i < 2; ++i) {
      if (!fds[i].revents) continue;
      const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0)
        (i ? result.err : result.out).append(buffer, n);
      else
        close(std::exchange(fds[i].fd, -1));
    }
  }
  writer.join();
  result.status = wait_status(pid);
  return result;
}

RunResult run_vornik(const std::vector<std::string> &args, const std::string &input,
                     const Env &env) {
  return run_program(vornik_argv(args), input, vornik_env(env));
}

pid_t spawn_vornik(const std::vector<std::string> &args, const Env &env, int in, int out, int err) {
  return spawn(vornik_argv(args), vornik_env(env), in, out, err);
}

RunResult run_vornik_script(const std::string &script, const std::string &input, const Env &env) {
  return run_program({"/bin/bash", "-c", script, VORNIK_BIN}, input, vornik_env(env));
}

Coprocess::Coprocess(const std::function<pid_t(int in, int out)> &start) {
  int in[2], out[2];
  if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC)) throw std::runtime_error("pipe failed");
  pid_ = start(in[0], out[1]);
  close(in[0]);
  close(out[1]);
  to_ = in[1];
  from_ = out[0];
}

Coprocess::~Coprocess() {
  for (int fd : {to_, from_})
    if (fd >= 0) close(fd);
  if (pid_ <= 0) return;
  kill(pid_, SIGKILL);
  wait_status(pid_);
}

std::string Coprocess::exchange(const std::string &text) {
  if (write(to_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) return "write failed";
  std::string got;
  char buffer[4096];
  pollfd readable{from_, POLLIN, 0};
  for (ssize_t n; !got.ends_with("\n\n") && poll(&readable, 1, 5000) > 0 &&
                  (n = read(from_, buffer, sizeof buffer)) > 0;)
    got.append(buffer, static_cast<size_t>(n));
  return got;
}

int Coprocess::finish(std::string &rest) {
  close(std::exchange(to_, -1));
  char buffer[4096];
  for (ssize_t n; (n = read(from_, buffer, sizeof buffer)) > 0;) rest.append(buffer, static_cast<size_t>(n));
  close(std::exchange(from_, -1));
  return wait_status(std::exchange(pid_, -1));
}

ScratchDir::ScratchDir() {
  char pattern[] = "/tmp/vornik-test-XXXXXX";
  if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

ScratchDir::~ScratchDir() {
  // A stand-in tagger outliving vornik may still add to its log while the folder goes.
  std::error_code error;
  poll_until(
      [&] { return std::filesystem::remove_all(path_, error) != static_cast<std::uintmax_t>(-1); },
      1000);
}

std::string ScratchDir::write(const std::string &name, const std::string &content) const {
  const std::string full = path_ + "/" + name;
  std::ofstream(full, std::ios::binary) << content;
  return full;
}

std::string ScratchDir::read(const std::string &name) const {
  std::stringstream content;
  content << std::ifstream(path_ + "/" + name, std::ios::binary).rdbuf();
  return content.str();
}

BackgroundVornik::BackgroundVornik(const std::vector<std::string> &args, const Env &env) {
  const int in = open("/dev/null", O_RDONLY | O_CLOEXEC);
  const int out = open(dir_.write("stdout", "").c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  const int err = open(dir_.write("stderr", "").c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (in < 0 || out < 0 || err < 0) throw std::runtime_error("cannot open the streams");
  pid_ = spawn_vornik(args, env, in, out, err);
  for (int fd : {in, out, err}) close(fd);
}

BackgroundVornik::~BackgroundVornik() {
  if (status_ >= 0 || pid_ <= 0) return;
  kill(pid_, SIGKILL);
  wait_status(pid_);
}

bool BackgroundVornik::running() {
  if (status_ >= 0) return false;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) != pid_) return true;
  status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return false;
}

bool BackgroundVornik::wait_for_err(const std::string &text, int timeout_ms) {
  const auto found = [&] { return err().find(text) != std::string::npos; };
  return poll_until([&] { return found() || !running(); }, timeout_ms) && found();
}

int BackgroundVornik::wait_exit(int timeout_ms) {
  return poll_until([&] { return !running(); }, timeout_ms) ? status_ : -1;
}

int BackgroundVornik::open_descriptors() const {
  const std::filesystem::directory_iterator fds("/proc/" + std::to_string(pid_) + "/fd");
  return static_cast<int>(std::distance(begin(fds), end(fds)));
}

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
