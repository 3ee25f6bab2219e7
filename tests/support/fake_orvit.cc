// A scriptable stand-in for the tagger program, installed as "orvit" in a folder the
// end-to-end tests put first on PATH.
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <chrono>
#include <random>
#include <thread>
#include <unistd.h>
#include <deque>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

// The stand-in's "model file" is a script:
//   map TOKEN TAG    reply TAG for TOKEN
//   default TAG      reply TAG for tokens without a map line (otherwise "X")
//   seq TAG...       reply these tags in order, one per token, across sentences
//   short N          answer only the first N tokens of each sentence ("$lim$" rows
//                    are always answered and not counted)
//   comment          write a "%%" comment row before each answer
//   extra            write one row too many ("extra X") after each answer
//   blank [TOKEN]    answer every sentence (or those holding TOKEN) with a blank line only
//   silent           read everything, answer nothing
//   exit [N]         end at once with status N (default 0), reading nothing
//   signal N         end at once by signal N
//   die TOKEN        end, without answering, once a sentence holding TOKEN is read
//   delay US         wait a random 0 to US microseconds before each answer, so that
//                    several taggers answer in a random order
// "$lim$" tokens are answered "$lim$<TAB>$lim$". With FAKE_ORVIT_LOG=<path> the
// argument vector and every line received are appended to <path>.<model base name>.

int main(int argc, char **argv) {
  if (argc < 3) return 2;
  const char *model = argv[argc - 2];
  std::map<std::string, std::string> map;
  std::string fallback = "X";
  std::deque<std::string> sequence;
  std::size_t short_answer = static_cast<std::size_t>(-1);
  bool comment = false, extra = false, blank = false, silent = false;
  std::string die_token, blank_token;
  long delay_us = 0;
  std::ifstream script(model);
  for (std::string line; std::getline(script, line);) {
    std::istringstream words(line);
    std::string command, token;
    words >> command;
    if (command == "map" && words >> token) words >> map[token];
    if (command == "default") words >> fallback;
    if (command == "seq")
      while (words >> token) sequence.push_back(token);
    if (command == "short") words >> short_answer;
    if (command == "comment") comment = true;
    if (command == "extra") extra = true;
    if (command == "blank") blank = !(words >> blank_token);
    if (command == "silent") silent = true;
    if (command == "die") words >> die_token;
    if (command == "delay") words >> delay_us;
    int number = 0;
    if (command == "exit") return words >> number ? number : 0;
    if (command == "signal" && words >> number) raise(number);
  }
  std::ofstream log;
  if (const char *log_path = std::getenv("FAKE_ORVIT_LOG")) {
    const char *base = std::strrchr(model, '/');
    log.open(std::string(log_path) + "." + (base ? base + 1 : model), std::ios::app);
    log << "argv:";
    for (int i = 0; i < argc; ++i) log << " [" << argv[i] << "]";
    log << std::endl;
  }

  std::vector<std::string> sentence;
  std::minstd_rand random(static_cast<unsigned>(getpid()));
  auto answer = [&] {
    if (sentence.empty() || silent) return;
    for (const std::string &token : sentence)
      if (!die_token.empty() && token == die_token) std::exit(0);
    if (delay_us > 0)
      std::this_thread::sleep_for(std::chrono::microseconds(random() % (delay_us + 1)));
    bool blank_only = blank;
    for (const std::string &token : sentence) blank_only = blank_only || token == blank_token;
    if (blank_only) {
      sentence.clear();
      std::cout << '\n' << std::flush;
      return;
    }
    if (comment) std::cout << "%% fake tagger\n";
    std::size_t answered = 0;
    for (const std::string &token : sentence) {
      std::string tag = "$lim$";
      if (token != "$lim$") {
        if (answered++ >= short_answer) continue;
        if (!sequence.empty()) {
          tag = sequence.front();
          sequence.pop_front();
        } else {
          tag = map.count(token) ? map[token] : fallback;
        }
      }
      std::cout << token << '\t' << tag << '\n';
    }
    if (extra) std::cout << "extra\tX\n";
    std::cout << '\n' << std::flush;
    sentence.clear();
  };
  for (std::string line; std::getline(std::cin, line);) {
    if (log.is_open()) log << "< " << line << std::endl;
    std::istringstream columns(line);
    std::string token;
    if (columns >> token)
      sentence.push_back(token);
    else
      answer();
  }
  answer();
  return 0;
}
