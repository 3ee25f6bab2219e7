// The tokenizer's stream loop and its sentence splitter. Tokens are written as soon as
// they are known.
#include "tokenize/tokenizer.h"

#include <string>
#include <string_view>
#include <vector>

#include "tokenize/abbreviations.h"
#include "tokenize/line_reader.h"
#include "tokenize/word_splitter.h"

// Only an abbreviation that may end a sentence (with the closing quotes and brackets after
// it) waits for the next token, which decides whether the sentence ends after it.

namespace vornik {
namespace {

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f' || c == '\n';
}

std::string_view trimmed(std::string_view line) {
  while (!line.empty() && is_space(line.front())) line.remove_prefix(1);
  while (!line.empty() && is_space(line.back())) line.remove_suffix(1);
  return line;
}

// A markup line as vornik reads it: "<", the first ">" after it, and nothing but blanks
// around them.
bool is_markup(std::string_view text) {
  if (text.empty() || text.front() != '<') return false;
  std::size_t close = text.find('>');
  return close != std::string_view::npos && close + 1 == text.size();
}

// A capital: ASCII, or a UTF-8 Latin capital À-Þ.
bool begins_with_capital(std::string_view token) {
  unsigned char c = static_cast<unsigned char>(token[0]);
  return (c >= 'A' && c <= 'Z') ||
         (c == 0xC3 && token.size() > 1 && static_cast<unsigned char>(token[1]) >= 0x80 &&
          static_cast<unsigned char>(token[1]) <= 0x9E);
}

// Whether a stop before `token` ends the sentence: a capital or a digit begins it.
bool begins_like_sentence(std::string_view token) {
  return begins_with_capital(token) || (token[0] >= '0' && token[0] <= '9');
}

// Writes tokens and decides where sentences end. Output is collected in a buffer that
// goes to the stream whenever it passes 64 KiB, and at flush.
class SentenceWriter {
 public:
  explicit SentenceWriter(std::ostream &out) : out_(out) {}

  void token(const Token &t) {
    if (pending_ != Pending::none) {
      if (t.kind == TokenKind::closer) {
        if (pending_ != Pending::stop)
          held_.append(t.text).push_back('\n');
        else
          write(t.text);
        return;
      }
      bool boundary =
          pending_ == Pending::stop ? t.kind == TokenKind::opener || begins_like_sentence(t.text)
          : pending_ == Pending::name_end
              ? t.text == "``" || (begins_with_capital(t.text) && !continues_name(t.text))
              : t.text == "``" || starts_sentence(t.text);
      settle(boundary);
    }
    if (t.kind == TokenKind::abbreviation || t.kind == TokenKind::name_end) {
      pending_ = t.kind == TokenKind::name_end ? Pending::name_end : Pending::abbreviation;
      held_.assign(t.text).push_back('\n');
      return;
    }
    write(t.text);
    if (t.kind == TokenKind::stop) pending_ = Pending::stop;
  }

  // A full stop at the end of a line ends the sentence; an abbreviation waits.
  void line_end() {
    if (pending_ == Pending::stop) settle(true);
  }

  void paragraph_end() {
    if (pending_ != Pending::none) settle(true);
    end_sentence();
  }

  void markup(std::string_view tag) {
    if (pending_ != Pending::none) settle(true);
    write(tag);
    if (tag.starts_with("</")) end_sentence();
  }

  void flush() {
    out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    buffer_.clear();
    out_.flush();
  }

 private:
  enum class Pending { none, stop, abbreviation, name_end };

  void write(std::string_view text) {
    buffer_.append(text).push_back('\n');
    open_ = true;
    if (buffer_.size() >= 64 * 1024) flush();
  }

  // Ends the wait for the next token: writes a held abbreviation and its closers, and
  // ends the sentence if asked. An abbreviation that ends the sentence gives its "." to
  // a token of its own, as the corpus writes it ("Inc .").
  void settle(bool boundary) {
    if (pending_ != Pending::stop) {
      std::size_t newline = held_.find('\n');
      if (boundary)
        buffer_.append(held_, 0, newline - 1).append("\n.\n");
      else
        buffer_.append(held_, 0, newline + 1);
      buffer_.append(held_, newline + 1);
      open_ = true;
    }
    pending_ = Pending::none;
    if (boundary) end_sentence();
  }

  void end_sentence() {
    if (open_) buffer_.push_back('\n');
    open_ = false;
  }

  std::ostream &out_;
  std::string buffer_;
  std::string held_;  // a pending abbreviation and the closers after it, one per line
  Pending pending_ = Pending::none;
  bool open_ = false;  // a token or markup line written since the last sentence end
};

}  // namespace

bool tokenize(std::istream &in, std::ostream &out, const TokenizeOptions &options) {
  LineReader reader(in);
  WordSplitter splitter(options.plain_brackets);
  SentenceWriter writer(out);
  std::vector<Token> tokens;
  std::string_view line;
  bool ended = true, at_line_start = true, first = true;
  while (reader.next(&line, &ended)) {
    if (first && line.starts_with("\xEF\xBB\xBF")) line.remove_prefix(3);
    first = false;
    bool line_start = at_line_start;
    at_line_start = ended;
    if (line_start && ended) {
      std::string_view text = trimmed(line);
      if (text.empty()) {
        writer.paragraph_end();
        splitter.end_paragraph();
        continue;
      }
      if (is_markup(text)) {
        writer.markup(text);
        continue;
      }
    }
    tokens.clear();
    splitter.split(line, tokens);
    for (const Token &t : tokens) writer.token(t);
    if (ended) writer.line_end();
  }
  writer.paragraph_end();
  writer.flush();
  return !in.bad();
}

}  // namespace vornik
