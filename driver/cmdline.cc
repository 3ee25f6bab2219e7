// Start-up of vornik: the settings globals, the command line in option order, the
// banner and the model paths, then the sentence loop.
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <getopt.h>
#include <unistd.h>

#include "driver/error.h"
#include "driver/linkdate.h"
#include "driver/parser.h"
#include "driver/pipelines.h"
#include "driver/vornik.h"
#include "driver/word_buffer.h"
#include "symtab/lexicon.h"
#include "tagfix/fixrules.h"
#include "vornik/version.h"

int word_input_bool = 1;
int chunktag_output_bool = 0;
int negra_output_bool = 0;
int lisp_output_bool = 0;
int conll_output_bool = 0;
int json_output_bool = 0;
int store_sgml_bool = 0;
int allow_unary_bool = 0;
int server_mode_bool = 0;
int verbosity = 1;
int verbose_bool = 1;
char *beam_size = nullptr;
int num_pipelines = 1;
const char *parameterpath = "";
char *parameter_file[2] = {nullptr, nullptr};
const char *progname = "vornik";
const char *CAT_UNDEFINED = "_";
t_wordbuf *word_buffer = nullptr;
t_wordbuf *sgml_buffer = nullptr;

namespace {
constexpr std::size_t kFixPathSize = 500;

// A write to a tagger, a client or standard output whose reader is gone then fails
// with EPIPE, and each is reported as what it is, not as one signal for all.
void ignore_broken_pipes() {
  struct sigaction action {};
  action.sa_handler = SIG_IGN;
  sigemptyset(&action.sa_mask);
  sigaction(SIGPIPE, &action, nullptr);
}

// CHUNKPATH + "/" + name, or name alone when CHUNKPATH is empty.
std::string with_parameterpath(const char *name) {
  if (!*parameterpath) return name;
  return std::string(parameterpath) + "/" + name;
}

void read_fix_option(const char *argument) {
  const std::string fixpath = with_parameterpath(argument);
  if (fixpath.size() >= kFixPathSize) {
    std::fprintf(stderr, "%s: tag-fix file path longer than %zu characters: %s\n", program_name(),
                 kFixPathSize - 1, fixpath.c_str());
    std::exit(2);
  }
  read_fixes(fixpath.c_str());
}

void set_output_mode(const char *mode) {
  const int conll = std::strcmp(mode, "conll") == 0;
  const int json = std::strcmp(mode, "json") == 0;
  if (conll || json) {
    conll_output_bool = conll;
    json_output_bool = json;
    return;
  }
  conll_output_bool = json_output_bool = 0;
  if (std::strcmp(mode, "chunktags") == 0) {
    chunktag_output_bool = 1;
  } else if (std::strcmp(mode, "negra") == 0) {
    negra_output_bool = 1;
  } else if (std::strcmp(mode, "bracketing") == 0) {
    chunktag_output_bool = negra_output_bool = 0;
  } else if (std::strcmp(mode, "lisp") == 0) {
    chunktag_output_bool = negra_output_bool = 0;
    lisp_output_bool = 1;
  } else {
    fehler(7);
  }
}

// -j N: a whole number from 1 to MAX_PIPELINES, nothing else.
void set_pipelines(const char *value) {
  char *end = nullptr;
  errno = 0;
  const long n = std::strtol(value, &end, 10);
  if (end == value || *end || errno || n < 1 || n > MAX_PIPELINES || !std::isdigit(*value)) {
    std::fprintf(stderr,
                 "%s: ERROR: -j wants the number of tagger pipelines, a whole number from 1 "
                 "to %d, not \"%s\"\n",
                 program_name(), MAX_PIPELINES, value);
    fehler(100);
  }
  num_pipelines = static_cast<int>(n);
}

// Long options beside the design's letters; getopt_long reads them in command-line
// order with the letters, which keep their getopt behaviour.
enum LongOption { kHelpOption = 1000, kVersionOption };
const option kLongOptions[] = {{"help", no_argument, nullptr, kHelpOption},
                               {"version", no_argument, nullptr, kVersionOption},
                               {nullptr, 0, nullptr, 0}};

void read_options(int argc, char **argv) {
  int option;
  while ((option = getopt_long(argc, argv, "f:j:t:I:O:SZ:chuv:", kLongOptions, nullptr)) != -1) {
    switch (option) {
      case kHelpOption:
        std::fputs(usage_text, stdout);
        std::fputs(usage_more, stdout);
        std::exit(0);
      case kVersionOption:
        std::printf("vornik %s\n", VORNIK_VERSION);
        std::exit(0);
      case 'c': store_sgml_bool = 1; break;
      case 'f': read_fix_option(optarg); break;
      case 'j': set_pipelines(optarg); break;
      case 'I':
        if (std::strcmp(optarg, "tags") == 0) {
          word_input_bool = 0;
        } else if (std::strcmp(optarg, "words") == 0) {
          word_input_bool = 1;
        } else {
          fehler(7);
        }
        break;
      case 'O': set_output_mode(optarg); break;
      case 'S': server_mode_bool = 1; break;
      case 'u': allow_unary_bool = 1; break;
      case 'v': verbose_bool = std::atoi(optarg); break;
      case 'Z':
        std::free(beam_size);
        beam_size = static_cast<char *>(std::malloc(std::strlen(optarg) + 3));
        std::strcpy(beam_size, "-Z");
        std::strcat(beam_size, optarg);
        break;
      default:  // -h, -t and anything getopt rejected
        fehler(100);
    }
  }
}
}  // namespace

void vornik_main(int argc, char **argv) {
  ignore_broken_pipes();
  CAT_UNDEFINED = "_";
  progname = argv[0];
  chunktag_output_bool = negra_output_bool = store_sgml_bool = 0;
  lisp_output_bool = allow_unary_bool = 0;
  verbosity = 1;
  word_buffer = wordbuf_init();
  sgml_buffer = wordbuf_init();
  const char *chunkpath = std::getenv("CHUNKPATH");
  parameterpath = chunkpath ? chunkpath : "";
  init_tries();
  read_options(argc, argv);

  if (verbose_bool > 0) std::fprintf(stderr, "%s Date: %s\n", version, link_date);
  const int num_parameter_files = word_input_bool + 1;
  const int positional = argc - optind;
  if (positional < num_parameter_files + 1) fehler(4);
  if (positional > num_parameter_files + 1) fehler(5);
  for (int i = 0; i < num_parameter_files; ++i) {
    const std::string path = with_parameterpath(argv[optind + i]);
    parameter_file[i] = static_cast<char *>(
        memalloc(std::strlen(parameterpath) + std::strlen(argv[optind + i]) + 2));
    std::memcpy(parameter_file[i], path.c_str(), path.size() + 1);
  }
  lexicon_init();
  run_parser(argv[argc - 1]);
  std::exit(0);
}
