// conll2chunk: turns CoNLL-2000 rows (word, POS tag, IOB2 chunk tag) into the
// corpus orvit-train reads for the chunk model: POS tags as tokens, framed
// by "$lim$" rows, with chunk tags spelled "IOB/depth/POS/category": the POS
// piece specializes each tag by its token, so transitions see POS context.
#include <cstdio>
#include <string>
#include <string_view>

#include "error.h"
#include "file_io.h"
#include "text_scan.h"

namespace {

const char kUsage[] = "usage: conll2chunk [INPUT]   (INPUT defaults to standard input)\n";
const char kLimit[] = "$lim$\t$lim$\n";

class Converter {
 public:
  explicit Converter(std::string name) : name_(std::move(name)) {}

  void row(std::string_view line, long number) {
    if (orvit::is_comment(line)) return;
    size_t pos = 0;
    orvit::next_column(line, pos);  // the word itself is not needed
    std::string_view pos_tag = orvit::next_column(line, pos);
    std::string_view chunk = orvit::next_column(line, pos);
    if (pos_tag.empty()) {
      if (!orvit::first_column(line).empty())
        throw orvit::Error(orvit::where(name_, number, "row has no POS tag: " + orvit::quote_row(line)));
      end_sentence();
      return;
    }
    if (chunk.empty())
      throw orvit::Error(orvit::where(name_, number, "row has no chunk tag: " + orvit::quote_row(line)));
    if (sentence_.empty()) sentence_ = std::string(kLimit) + kLimit;
    sentence_.append(pos_tag);
    sentence_ += '\t';
    if (pos_tag.find('/') != std::string_view::npos)
      throw orvit::Error(orvit::where(name_, number, "bad POS tag \"" + std::string(pos_tag) + "\""));
    if (chunk == "O") {
      sentence_ += "O/1/";
      sentence_.append(pos_tag);
      sentence_ += "/_";
      category_.clear();
    } else if (chunk.size() > 2 && (chunk[0] == 'B' || chunk[0] == 'I') && chunk[1] == '-' &&
               chunk.find('/') == std::string_view::npos) {
      std::string_view category = chunk.substr(2);
      bool continues = chunk[0] == 'I' && category == category_;
      sentence_ += continues ? "I-" : "B-";
      sentence_.append(category);
      sentence_ += continues ? "/0/" : "/1/";
      sentence_.append(pos_tag);
      sentence_ += '/';
      sentence_.append(category);
      category_ = std::string(category);
    } else {
      throw orvit::Error(orvit::where(name_, number, "bad chunk tag \"" + std::string(chunk) + "\""));
    }
    sentence_ += '\n';
  }

  void end_sentence() {
    if (sentence_.empty()) return;
    sentence_ += kLimit;
    sentence_ += '\n';
    out_ += sentence_;
    sentence_.clear();
    category_.clear();
  }

  const std::string& output() const { return out_; }

 private:
  std::string name_;
  std::string sentence_;
  std::string category_;  // category of the chunk the previous word is in, or empty
  std::string out_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2 || (argc == 2 && std::string_view(argv[1]) == "-h")) {
    bool help = argc == 2;
    std::fputs(kUsage, help ? stdout : stderr);
    return help ? 0 : 2;
  }
  std::string path = argc == 2 ? argv[1] : "-";
  try {
    Converter converter(path == "-" ? "<stdin>" : path);
    orvit::for_each_line(orvit::read_file(path),
                         [&](std::string_view line, long number) { converter.row(line, number); });
    converter.end_sentence();
    if (!orvit::write_all(1, converter.output())) {
      std::perror("conll2chunk: write error");
      return 1;
    }
  } catch (const orvit::Error& e) {
    std::fprintf(stderr, "conll2chunk: %s\n", e.what());
    return 1;
  }
  return 0;
}
