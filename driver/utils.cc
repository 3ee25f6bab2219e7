// Opening inputs, plain or through a decompressor, and starting the tagger processes.
// Decompressors get the file name as a plain argument: no shell ever sees it.
#include "driver/utils.h"

#include <fcntl.h>
#include <stdio_ext.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "driver/error.h"
#include "driver/tagger.h"
#include "driver/vornik.h"

namespace {
// How long the taggers get to end when a failed input ends the run.
constexpr int kStopGraceMillis = 2000;

// The decompressor reading each compressed suffix; null for a plain file.
const char *const *decompressor_for(std::string_view name) {
  static const char *const zcat[] = {"zcat", nullptr};
  static const char *const fcat[] = {"fcat", nullptr};
  static const char *const gzip[] = {"gzip", "-dc", nullptr};
  if (name.size() >= 3 && name.ends_with(".Z")) return zcat;
  if (name.size() >= 3 && name.ends_with(".F")) return fcat;
  if (name.size() >= 4 && name.ends_with(".gz")) return gzip;
  return nullptr;
}

// Decompressor children, so closeread can reap them.
struct DecompressorPipe {
  FILE *stream;
  pid_t pid;
};
DecompressorPipe open_pipes[16];

FILE *read_through(const char *const *command, const char *name) {
  int fds[2];
  if (pipe(fds) != 0) return nullptr;
  const pid_t pid = fork();
  if (pid < 0) {
    close(fds[0]);
    close(fds[1]);
    return nullptr;
  }
  if (pid == 0) {
    std::signal(SIGPIPE, SIG_DFL);
    dup2(fds[1], STDOUT_FILENO);
    close(fds[0]);
    close(fds[1]);
    const char *argv[5] = {};
    int argc = 0;
    while (command[argc]) argv[argc] = command[argc], ++argc;
    argv[argc++] = "--";  // a name beginning with "-" is not an option
    argv[argc] = name;
    execvp(argv[0], const_cast<char *const *>(argv));
    std::fprintf(stderr, "%s: cannot run %s: %s\n", progname, argv[0], std::strerror(errno));
    _exit(127);
  }
  close(fds[1]);
  FILE *stream = fdopen(fds[0], "r");
  if (!stream) {
    close(fds[0]);
    return nullptr;
  }
  for (DecompressorPipe &slot : open_pipes) {
    if (!slot.stream) {
      slot = {stream, pid};
      break;
    }
  }
  return stream;
}
}  // namespace

FILE *without_locking(FILE *stream) {
  if (stream) __fsetlocking(stream, FSETLOCKING_BYCALLER);
  return stream;
}

FILE *openread(const char *name) {
  if (std::strcmp(name, "-") == 0) return stdin;
  const char *const *command = decompressor_for(name);
  if (!command) return std::fopen(name, "r");
  FILE *test = std::fopen(name, "r");
  if (!test) return nullptr;
  std::fclose(test);
  return read_through(command, name);
}

void closeread(FILE *stream, const char *name) {
  const int read_error = std::ferror(stream) ? errno : 0;
  if (stream != stdin) std::fclose(stream);
  int status = 0;
  const char *decompressor = nullptr;
  for (DecompressorPipe &slot : open_pipes) {
    if (slot.stream == stream) {
      while (waitpid(slot.pid, &status, 0) < 0 && errno == EINTR) {
      }
      decompressor = decompressor_for(name)[0];
      slot = {};
    }
  }
  if (read_error) {
    errno = read_error;
    stop_taggers(kStopGraceMillis);
    fehler(2, name);
  }
  if (!decompressor || status == 0) return;
  // A truncated or damaged file, or a decompressor that could not run: its text may
  // be cut short, so the run must not pass for a success.
  std::fprintf(stderr, "%s: file '%s': %s ", program_name(), name, decompressor);
  if (WIFSIGNALED(status)) {
    std::fprintf(stderr, "was ended by signal %d\n", WTERMSIG(status));
  } else {
    std::fprintf(stderr, "ended with exit status %d\n", WEXITSTATUS(status));
  }
  stop_taggers(kStopGraceMillis);
  std::exit(2);
}

namespace {
[[noreturn]] void fail(const char *what) {
  const int error = errno;
  std::fprintf(stderr, "%s: %s: %s\n", progname, what, std::strerror(error));
  std::exit(1);
}
}  // namespace

pid_t execsub(char *const *argv, FILE *fp[2], const char *stderrname, int *exec_error) {
  int to_child[2], from_child[2], exec_report[2];
  if (pipe(to_child) != 0 || pipe(from_child) != 0) fail("cannot create pipe");
  // The child writes the error number of a failed execvp here; a successful one
  // closes it (close-on-exec), so the parent reads nothing.
  if (pipe2(exec_report, O_CLOEXEC) != 0) fail("cannot create pipe");
  *exec_error = 0;
  // A failed fork is noticed at the first write to the tagger (broken pipe).
  const pid_t pid = fork();
  if (pid == 0) {
    std::signal(SIGPIPE, SIG_DFL);  // vornik ignores it; the tagger should not
    if (dup2(to_child[0], STDIN_FILENO) < 0 || dup2(from_child[1], STDOUT_FILENO) < 0) {
      std::fprintf(stderr, "%s: dup2 failed: %s\n", progname, std::strerror(errno));
      _exit(1);  // never flush stdio buffers inherited from the parent
    }
    close(to_child[0]);
    close(to_child[1]);
    close(from_child[0]);
    close(from_child[1]);
    if (stderrname && !std::freopen(stderrname, "w", stderr)) _exit(1);
    execvp(argv[0], argv);
    const int error = errno;
    std::fprintf(stderr, "%s: execvp failed for %s: %s\n", progname, argv[0], std::strerror(error));
    ssize_t ignored = write(exec_report[1], &error, sizeof error);
    (void)ignored;
    _exit(1);
  }
  close(to_child[0]);
  close(from_child[1]);
  close(exec_report[1]);
  if (pid > 0) {
    int error = 0;
    ssize_t n;
    while ((n = read(exec_report[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    if (n == static_cast<ssize_t>(sizeof error)) *exec_error = error;
  }
  close(exec_report[0]);
  fcntl(to_child[1], F_SETFD, FD_CLOEXEC);
  fcntl(from_child[0], F_SETFD, FD_CLOEXEC);
  // The other ends stay open only in the child, so a tagger sees end of input when
  // vornik closes its stream, and vornik sees end of output when a tagger dies.
  fp[0] = without_locking(fdopen(from_child[0], "r"));
  if (!fp[0]) fail("no read access to sub-process");
  fp[1] = without_locking(fdopen(to_child[1], "w"));
  if (!fp[1]) fail("no write access to sub-process");
  return pid;
}
