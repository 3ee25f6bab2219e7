// The error reporter `fehler`, the broken-pipe handler and the counted allocators.
// Messages and exit statuses are part of the program's interface.
#include "driver/error.h"

#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "driver/tagger.h"
#include "driver/vornik.h"
#include "tagfix/fixrules.h"

const char version[100] =
    "vornik: HMM-based POS tagging and chunking\nbeta version\n"
    "(c) the vornik developers\n";

const char *const usage_text =
    "usage: vornik [options] <parameter-files> <input-file>\n"
    "<parameter-files> ::= <chunk-para> | <pos-para> <chunk-para>\n"
    "options:\n"
    "   -c       : detect and print XML/SGML markup\n"
    "   -f<file> : use tagfixes from file <file>\n"
    "   -h       : show this message\n"
    "   -I<mode> : input mode: tags := POS tags (one parameter file)\n"
    "                          words := words (two parameter files), default: words\n"
    "   -S       : run vornik as a server, <input-file> = port number\n"
    "   -O<mode> : output mode: bracketing := bracketed expressions\n"
    "                           chunktags := chunk tags,\n"
    "                           lisp := bracketed expressions in LISP format\n"
    "                           negra := negra export format, default: bracketing\n"
    "   -v<mode> : verbosity level:\n"
    "              0 = only error messages are printed\n"
    "              1 = print header information\n"
    "              2 = print error messages from Orvit processes (useful for debugging)\n"
    "   -Z<beam> : use beam search with beam size <beam> instead of exhaustive Viterbi search\n";

const char *const usage_more =
    "more options:\n"
    "   -O<mode> : output mode: conll := word, POS tag and IOB chunk tag per line\n"
    "                           json := one JSON object per sentence (JSON Lines)\n"
    "   -u       : a word alone in its chunk gets a phrase node of its own\n"
    "   -j<n>    : run n tagger pipelines side by side (1 to 64; default 1): up to 2n\n"
    "              sentences are tagged at once, the output stays in input order\n"
    "   --help   : show this message on standard output\n"
    "   --version: show the version\n";

std::size_t memory_allocated = 0;
const std::size_t memory_max = 100 * 1024 * 1024;

namespace {
constexpr std::size_t kFileMessageSize = 256;
// How long the taggers get to end after their input was closed on an error.
constexpr int kStopGraceMillis = 2000;

// "file '<name>'" for perror; a name too long for the buffer is cut and marked
// with "..." so the message never overruns.
void report_unopenable(const char *name) {
  char message[kFileMessageSize];
  const int needed = std::snprintf(message, sizeof message, "file '%s'", name);
  if (needed >= static_cast<int>(sizeof message)) {
    std::snprintf(message, sizeof message, "file '%.*s...'", static_cast<int>(sizeof message - 12),
                  name);
  }
  std::perror(message);
}
}  // namespace

const char *program_name() {
  const char *slash = std::strrchr(progname, '/');
  return slash ? slash + 1 : progname;
}

void fehler(int fehlernr, ...) {
  progname = program_name();
  if (fehlernr != 100) std::fprintf(stderr, "%s: ", progname);
  va_list args;
  va_start(args, fehlernr);
  switch (fehlernr) {
    case 2:
      report_unopenable(va_arg(args, const char *));
      break;
    case 4:
      std::fprintf(stderr, "ERROR: too few arguments\n%s", usage_text);
      break;
    case 5:
      std::fprintf(stderr, "ERROR: too many arguments\n%s", usage_text);
      break;
    case 6:
      std::fprintf(stderr, "Tagfix error in line %d\n", current_line);
      if (*tagfix_detail) std::fprintf(stderr, "%s\n", tagfix_detail);
      std::fputs(tagfix_syntax, stderr);
      break;
    case 7:
      std::fprintf(stderr, "ERROR: wrong I/O option\n%s", usage_text);
      break;
    case 100:
      std::fputs(usage_text, stderr);
      break;
  }
  va_end(args);
  std::exit(fehlernr);
}

void memory_exceeded() {
  std::fputs("Memory exceeded, exiting\n", stderr);
  std::exit(255);
}

void output_error() {
  const int cause = errno;
  // Not a failure of ours: the reader of standard output is gone (vornik | head).
  // End as Unix filters do, by the signal, after the taggers have ended.
  if (cause == EPIPE) {
    stop_taggers(kStopGraceMillis);
    std::signal(SIGPIPE, SIG_DFL);
    std::raise(SIGPIPE);
  }
  std::fprintf(stderr, "%s: standard output: %s\n", program_name(), std::strerror(cause));
  stop_taggers(kStopGraceMillis);
  std::exit(255);
}

namespace {
void *counted(std::size_t size, bool cleared) {
  memory_allocated += size;
  if (memory_allocated > memory_max) {
    std::fprintf(stderr, "\n%s: memory limit exceeded (%d MB)\n", progname,
                 static_cast<int>(memory_max / (1024 * 1024)));
    std::exit(1);
  }
  void *memory = cleared ? std::calloc(size, 1) : std::malloc(size);
  if (!memory) {
    std::fprintf(stderr, "\n%s: not enough memory\n", progname);
    std::exit(1);
  }
  return memory;
}
}  // namespace

void *memalloc(std::size_t size) { return counted(size, false); }

void *clralloc(std::size_t nelem, std::size_t elsize) {
  // An overflowing product must not wrap into a small allocation: count it as the
  // largest request, which the limit rejects.
  std::size_t size;
  if (__builtin_mul_overflow(nelem, elsize, &size)) size = memory_max + 1;
  return counted(size, true);
}
