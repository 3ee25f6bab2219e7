// A scriptable stand-in for the tagger program, installed as "orvit" in a folder the
// end-to-end tests put first on PATH. Its "model file" is a script:
//   map TOKEN TAG    reply TAG for TOKEN
//   default TAG      reply TAG for tokens without a map line (otherwise "X")
//   seq TAG...       reply these tags in order, one per token, across sentences
//   short N          answer only the first N tokens of each sentence ("$lim$" rows
//                    are always answered and not counted)
//   comment          write a "%%" comment row before each answer
//   exit             end at once, reading nothing
// "$lim$" tokens are answered "$lim$<TAB>$lim$". With FAKE_ORVIT_LOG=<path> the
// argument vector and every line received are appended to <path>.<model base name>.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {
struct Script {
  std::map<std::string, std::string> map;
  std::string fallback = "X";
  std::deque<std::string> sequence;
  std::size_t short_answer = static_cast<std::size_t>(-1);
  bool comment = false;
  bool exit_at_once = false;
};

Script read_script(const char *path) {
  Script script;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string command;
    words >> command;
    if (command == "map") {
      std::string token, tag;
      words >> token >> tag;
      script.map[token] = tag;
    } else if (command == "default") {
      words >> script.fallback;
    } else if (command == "seq") {
      for (std::string tag; words >> tag;) script.sequence.push_back(tag);
    } else if (command == "short") {
      words >> script.short_answer;
    } else if (command == "comment") {
      script.comment = true;
    } else if (command == "exit") {
      script.exit_at_once = true;
    }
  }
  return script;
}

std::string first_column(const std::string &line) {
  const auto begin = line.find_first_not_of(" \t\r\v\f");
  if (begin == std::string::npos) return "";
  return line.substr(begin, line.find_first_of(" \t\r\v\f", begin) - begin);
}
}  // namespace

int main(int argc, char **argv) {
  if (argc < 3) return 2;
  const char *model = argv[argc - 2];
  Script script = read_script(model);
  FILE *log = nullptr;
  if (const char *log_path = std::getenv("FAKE_ORVIT_LOG")) {
    const char *base = std::strrchr(model, '/');
    log = std::fopen((std::string(log_path) + "." + (base ? base + 1 : model)).c_str(), "a");
    std::fputs("argv:", log);
    for (int i = 0; i < argc; ++i) std::fprintf(log, " [%s]", argv[i]);
    std::fputc('\n', log);
    std::fflush(log);
  }
  if (script.exit_at_once) return 0;

  std::vector<std::string> sentence;
  auto answer = [&] {
    if (sentence.empty()) return;
    if (script.comment) std::cout << "%% fake tagger\n";
    std::size_t answered = 0;
    for (const std::string &token : sentence) {
      std::string tag;
      if (token == "$lim$") {
        tag = "$lim$";
      } else if (answered++ >= script.short_answer) {
        continue;
      } else if (!script.sequence.empty()) {
        tag = script.sequence.front();
        script.sequence.pop_front();
      } else {
        auto found = script.map.find(token);
        tag = found != script.map.end() ? found->second : script.fallback;
      }
      std::cout << token << '\t' << tag << '\n';
    }
    std::cout << '\n' << std::flush;
    sentence.clear();
  };
  for (std::string line; std::getline(std::cin, line);) {
    if (log) {
      std::fprintf(log, "< %s\n", line.c_str());
      std::fflush(log);
    }
    const std::string token = first_column(line);
    if (token.empty()) {
      answer();
    } else {
      sentence.push_back(token);
    }
  }
  answer();
  return 0;
}
