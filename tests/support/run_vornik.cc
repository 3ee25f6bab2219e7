// Runs the vornik binary with pipes on all three standard streams, feeding stdin and
// draining stdout/stderr together with poll so no pipe can fill up and stall.
#include "run_vornik.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

std::string vornik_binary() { return VORNIK_BIN; }
std::string fake_orvit_dir() { return FAKE_ORVIT_DIR; }

void exec_vornik(const std::vector<std::string> &args,
                 const std::map<std::string, std::string> &env) {
  const std::string path = fake_orvit_dir() + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "");
  setenv("PATH", path.c_str(), 1);
  unsetenv("CHUNKPATH");
  for (const auto &[name, value] : env) {
    if (value == "\x01") {
      unsetenv(name.c_str());
    } else {
      setenv(name.c_str(), value.c_str(), 1);
    }
  }
  const std::string binary = vornik_binary();
  std::vector<char *> argv{const_cast<char *>(binary.c_str())};
  for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
  argv.push_back(nullptr);
  execv(argv[0], argv.data());
  _exit(127);
}

RunResult run_vornik(const std::vector<std::string> &args, const std::string &input,
                     const std::map<std::string, std::string> &env) {
  int in[2], out[2], err[2];
  if (pipe(in) || pipe(out) || pipe(err)) throw std::runtime_error("pipe failed");
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    dup2(err[1], 2);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
    exec_vornik(args, env);
  }
  close(in[0]);
  close(out[1]);
  close(err[1]);
  fcntl(in[1], F_SETFL, O_NONBLOCK);
  RunResult result;
  std::size_t written = 0;
  if (input.empty()) close(in[1]);
  bool stdin_open = !input.empty(), out_open = true, err_open = true;
  char buffer[65536];
  while (out_open || err_open) {
    pollfd fds[3] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}, {stdin_open ? in[1] : -1, POLLOUT, 0}};
    if (poll(fds, 3, -1) < 0) break;
    if (fds[2].revents & (POLLOUT | POLLERR | POLLHUP)) {
      const ssize_t n = write(in[1], input.data() + written, input.size() - written);
      if (n > 0) written += n;
      if (n < 0 || written == input.size()) {
        close(in[1]);
        stdin_open = false;
      }
    }
    for (int i = 0; i < 2; ++i) {
      if (!(fds[i].revents & (POLLIN | POLLHUP))) continue;
      const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n <= 0) {
        (i == 0 ? out_open : err_open) = false;
      } else {
        (i == 0 ? result.out : result.err).append(buffer, n);
      }
    }
  }
  if (stdin_open) close(in[1]);
  close(out[0]);
  close(err[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

ScratchDir::ScratchDir() {
  char pattern[] = "/tmp/vornik-test-XXXXXX";
  if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

ScratchDir::~ScratchDir() { std::filesystem::remove_all(path_); }

std::string ScratchDir::write(const std::string &name, const std::string &content) const {
  const std::string full = path_ + "/" + name;
  std::ofstream(full, std::ios::binary) << content;
  return full;
}

std::string ScratchDir::read(const std::string &name) const {
  std::ifstream in(path_ + "/" + name, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}
