// The tagger processes: a small registry naming each (role and argument vector), the
// reports that end the run when one fails, the reply clock, and waiting for them.
#include "driver/tagger.h"

#include <stdio_ext.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "driver/error.h"
#include "driver/parser.h"
#include "driver/pipelines.h"
#include "driver/ws_inout.h"

namespace {
struct tagger_t {
  const char *role;
  char *const *argv;
  pid_t pid;
  FILE **file;     // [0] replies, [1] input; closed (null) once stopped
  int exec_error;  // why it could not be started, or 0
  int status;      // wait status once reaped
  bool reaped, killed;
  bool answer_end_due;  // the blank line after its last answer is still to be read
};

constexpr int kMaxTaggers = 2 * MAX_PIPELINES;
tagger_t taggers[kMaxTaggers];
int tagger_count = 0;
// How long a tagger that is already gone, or whose input was closed, gets to end.
constexpr int kGoneGraceMillis = 2000;

volatile sig_atomic_t reply_clock_ran_out = 0;

tagger_t *tagger_with_stream(FILE *stream) {
  for (int i = 0; i < tagger_count; ++i) {
    if (taggers[i].file[0] == stream || taggers[i].file[1] == stream) return &taggers[i];
  }
  return nullptr;
}

// "the chunk tagger (orvit -Z5 model -)"
std::string describe(const tagger_t &tagger) {
  std::string text = std::string("the ") + tagger.role + " tagger (";
  for (char *const *arg = tagger.argv; *arg; ++arg) {
    if (arg != tagger.argv) text += ' ';
    text += *arg;
  }
  return text + ")";
}

void reap(tagger_t &tagger, int grace_ms) {
  if (tagger.reaped || tagger.pid <= 0) return;
  for (int waited = 0;; waited += 10) {
    const pid_t done = waitpid(tagger.pid, &tagger.status, WNOHANG);
    if (done == tagger.pid || (done < 0 && errno != EINTR)) break;
    if (waited >= grace_ms) {
      kill(tagger.pid, SIGKILL);
      tagger.killed = true;
      while (waitpid(tagger.pid, &tagger.status, 0) < 0 && errno == EINTR) {
      }
      break;
    }
    const timespec pause{0, 10L * 1000 * 1000};
    nanosleep(&pause, nullptr);
  }
  tagger.reaped = true;
}

// One line saying how `tagger` ended; false when it ended with status 0.
bool report_end(const tagger_t &tagger, bool even_if_clean) {
  const std::string who = describe(tagger);
  const char *name = program_name();
  if (tagger.exec_error) {
    std::fprintf(stderr, "%s: %s could not be started: %s\n", name, who.c_str(),
                 std::strerror(tagger.exec_error));
  } else if (tagger.killed) {
    std::fprintf(stderr, "%s: %s did not end and was killed\n", name, who.c_str());
  } else if (WIFSIGNALED(tagger.status) && WTERMSIG(tagger.status) == SIGPIPE && !even_if_clean) {
    return false;  // its reply stream was closed by vornik, on an error of another party
  } else if (WIFSIGNALED(tagger.status)) {
    std::fprintf(stderr, "%s: %s was ended by signal %d (%s)\n", name, who.c_str(),
                 WTERMSIG(tagger.status), strsignal(WTERMSIG(tagger.status)));
  } else if (WEXITSTATUS(tagger.status) != 0 || even_if_clean) {
    std::fprintf(stderr, "%s: %s ended with exit status %d\n", name, who.c_str(),
                 WEXITSTATUS(tagger.status));
  } else {
    return false;
  }
  return true;
}

void close_streams(tagger_t &tagger) {
  if (tagger.file[1]) {
    __fpurge(tagger.file[1]);  // a tagger that stopped reading must not block the close
    std::fclose(tagger.file[1]);
  }
  if (tagger.file[0]) std::fclose(tagger.file[0]);
  tagger.file[0] = tagger.file[1] = nullptr;
}

[[noreturn]] void stop_and_exit() {
  stop_taggers(kGoneGraceMillis);
  std::exit(255);
}

int reply_timeout_seconds() {
  static int seconds = -1;
  if (seconds < 0) {
    const char *setting = std::getenv("VORNIK_TAGGER_TIMEOUT");
    seconds = setting && *setting ? std::atoi(setting) : 60;
    if (seconds < 0) seconds = 0;
  }
  return seconds;
}

void clock_ran_out(int) { reply_clock_ran_out = 1; }
}  // namespace

const char *chunk_token(const char *tag) {
  return std::strcmp(tag, BOUNDARY_TOKEN) == 0 ? BOUNDARY_STAND_IN : tag;
}

void register_tagger(const char *role, char *const *argv, pid_t pid, FILE **fp, int exec_error) {
  if (tagger_count == kMaxTaggers) return;
  taggers[tagger_count++] = tagger_t{role, argv, pid, fp, exec_error, 0, false, false, false};
}

void answer_read(FILE *replies) {
  if (tagger_t *tagger = tagger_with_stream(replies)) tagger->answer_end_due = true;
}

bool take_answer_end(FILE *replies) {
  tagger_t *tagger = tagger_with_stream(replies);
  if (!tagger || !tagger->answer_end_due) return false;
  tagger->answer_end_due = false;
  return true;
}

void tagger_gone(FILE *stream) {
  finish_earlier_sentences(stream);
  static const char message[] =
      "Orvit or client process unreachable. To get more information, run vornik with the "
      "-v2 option.\nExiting.\n";
  std::fputs(message, stderr);
  if (tagger_t *tagger = tagger_with_stream(stream)) {
    close_streams(*tagger);
    reap(*tagger, kGoneGraceMillis);
    report_end(*tagger, true);
  }
  stop_and_exit();
}

void tagger_protocol_error(FILE *stream, const char *what) {
  finish_earlier_sentences(stream);
  const tagger_t *tagger = tagger_with_stream(stream);
  std::fprintf(stderr, "%s: protocol error: %s %s, in the sentence ending at input line %d\n",
               program_name(), tagger ? describe(*tagger).c_str() : "a tagger", what, line_number);
  stop_and_exit();
}

void reply_clock_start() {
  const int seconds = reply_timeout_seconds();
  if (seconds == 0) return;
  static bool installed = false;
  if (!installed) {
    // No SA_RESTART: the read or write waiting on the tagger returns with EINTR.
    struct sigaction action {};
    action.sa_handler = clock_ran_out;
    sigemptyset(&action.sa_mask);
    sigaction(SIGALRM, &action, nullptr);
    installed = true;
  }
  reply_clock_ran_out = 0;
  alarm(static_cast<unsigned>(seconds));
}

void reply_clock_stop() {
  if (reply_timeout_seconds() > 0) alarm(0);
}

bool reply_time_is_up() { return reply_clock_ran_out; }

void tagger_stream_failed(FILE *stream) {
  if (!reply_clock_ran_out) tagger_gone(stream);
  finish_earlier_sentences(stream);
  const tagger_t *tagger = tagger_with_stream(stream);
  std::fprintf(stderr,
               "%s: %s did not answer within %d s, in the sentence ending at input line %d\n",
               program_name(), tagger ? describe(*tagger).c_str() : "a tagger",
               reply_timeout_seconds(), line_number);
  stop_and_exit();
}

void end_taggers(int grace_ms) {
  reply_clock_start();
  for (int i = 0; i < tagger_count; ++i) {
    tagger_t &tagger = taggers[i];
    if (!tagger.file[1]) continue;
    FILE *replies = tagger.file[0];
    std::fclose(tagger.file[1]);
    tagger.file[1] = nullptr;
    char *line = nullptr;
    std::size_t capacity = 0;
    while (getline(&line, &capacity, replies) >= 0) {
      if (line[0] == '%' && line[1] == '%') continue;
      char *rest = nullptr;
      const char *token = next_col(line, &rest);
      if (!*token) continue;
      const std::string what =
          "answered '" + std::string(token) + "' after the last token it was sent";
      tagger_protocol_error(replies, what.c_str());
    }
    std::free(line);
    if (reply_clock_ran_out) tagger_stream_failed(replies);
    std::fclose(replies);
    tagger.file[0] = nullptr;
  }
  reply_clock_stop();
  if (!stop_taggers(grace_ms)) std::exit(255);
}

bool stop_taggers(int grace_ms) {
  for (int i = 0; i < tagger_count; ++i) close_streams(taggers[i]);
  bool clean = true;
  for (int i = 0; i < tagger_count; ++i) {
    if (taggers[i].reaped) continue;
    reap(taggers[i], grace_ms);
    if (report_end(taggers[i], false)) clean = false;
  }
  return clean;
}
