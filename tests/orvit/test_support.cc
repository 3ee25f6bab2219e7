// fork/exec plumbing and file helpers for the orvit tests.
#include "test_support.h"

#include <cerrno>
#include <csignal>
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

namespace orvit_test {

const char kTinyCorpus[] = "a X\nb Y\n\na X\nb Y\n\nc Y\n";

namespace {

int spawn(const std::vector<std::string>& argv, int* in, int* out, int* err) {
  std::signal(SIGPIPE, SIG_IGN);
  int pin[2], pout[2], perr[2];
  if (pipe(pin) || pipe(pout) || pipe(perr)) throw std::runtime_error("pipe failed");
  int pid = fork();
  if (pid == 0) {
    dup2(pin[0], 0);
    dup2(pout[1], 1);
    dup2(perr[1], 2);
    for (int fd : {pin[0], pin[1], pout[0], pout[1], perr[0], perr[1]}) close(fd);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  close(pin[0]);
  close(pout[1]);
  close(perr[1]);
  *in = pin[1];
  *out = pout[0];
  *err = perr[0];
  return pid;
}

int wait_status(int pid) {
  int st = 0;
  while (waitpid(pid, &st, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

}  // namespace

RunResult run_program(const std::vector<std::string>& argv, const std::string& input) {
  int in, out, err;
  int pid = spawn(argv, &in, &out, &err);
  RunResult r;
  size_t written = 0;
  if (input.empty()) {
    close(in);
    in = -1;
  }
  fcntl(out, F_SETFL, O_NONBLOCK);
  fcntl(err, F_SETFL, O_NONBLOCK);
  if (in >= 0) fcntl(in, F_SETFL, O_NONBLOCK);
  bool out_open = true, err_open = true;
  char buf[65536];
  while (out_open || err_open) {
    pollfd fds[3] = {{out, POLLIN, 0}, {err, POLLIN, 0}, {in, POLLOUT, 0}};
    if (poll(fds, in >= 0 ? 3 : 2, 30000) <= 0) break;
    if (in >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP))) {
      ssize_t n = ::write(in, input.data() + written, input.size() - written);
      if (n > 0) written += static_cast<size_t>(n);
      if (n < 0 || written == input.size()) {
        close(in);
        in = -1;
      }
    }
    for (int k = 0; k < 2; ++k) {
      if (!(fds[k].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      ssize_t n = ::read(fds[k].fd, buf, sizeof buf);
      if (n > 0) {
        (k == 0 ? r.out : r.err).append(buf, static_cast<size_t>(n));
      } else if (n == 0 || errno != EAGAIN) {
        (k == 0 ? out_open : err_open) = false;
      }
    }
  }
  if (in >= 0) close(in);
  close(out);
  close(err);
  r.status = wait_status(pid);
  return r;
}

Child::Child(const std::vector<std::string>& argv) {
  int err;
  pid_ = spawn(argv, &in_, &out_, &err);
  close(err);
}

Child::~Child() {
  if (in_ >= 0) close(in_);
  if (out_ >= 0) close(out_);
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    wait_status(pid_);
  }
}

void Child::write(const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::write(in_, data.data() + done, data.size() - done);
    if (n <= 0) throw std::runtime_error("write to child failed");
    done += static_cast<size_t>(n);
  }
}

std::string Child::read_until(const std::string& suffix, int timeout_ms) {
  char buf[65536];
  while (buffered_.size() < suffix.size() ||
         buffered_.compare(buffered_.size() - suffix.size(), suffix.size(), suffix) != 0) {
    pollfd p{out_, POLLIN, 0};
    if (poll(&p, 1, timeout_ms) <= 0) break;
    ssize_t n = ::read(out_, buf, sizeof buf);
    if (n <= 0) break;
    buffered_.append(buf, static_cast<size_t>(n));
  }
  std::string got;
  got.swap(buffered_);
  return got;
}

int Child::finish(std::string* rest) {
  close(in_);
  in_ = -1;
  char buf[65536];
  ssize_t n;
  while ((n = ::read(out_, buf, sizeof buf)) > 0) buffered_.append(buf, static_cast<size_t>(n));
  if (rest) *rest = buffered_;
  int st = wait_status(pid_);
  pid_ = -1;
  return st;
}

std::string temp_path(const std::string& name) {
  static std::string dir = [] {
    char tmpl[] = "/tmp/orvit-test-XXXXXX";
    std::string d = mkdtemp(tmpl);
    static std::string keep = d;
    std::atexit([] { std::filesystem::remove_all(keep); });
    return d;
  }();
  return dir + "/" + name;
}

void write_text(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string read_text(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

}  // namespace orvit_test
