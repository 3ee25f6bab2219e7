// The JSON Lines printer: tokens with their IOB2 chunk tags, the tree, markup records,
// and the string escaper that keeps every byte.
#include "tree/json.h"

#include <cstring>

#include "driver/parser.h"
#include "driver/vornik.h"
#include "symtab/lexicon.h"
#include "tree/conll.h"

namespace {
// Length of the valid UTF-8 sequence at s[0..size), or 0 if none starts there
// (overlong forms, surrogates and code points above U+10FFFF are not valid).
std::size_t utf8_length(const unsigned char *s, std::size_t size) {
  const unsigned char c = s[0];
  std::size_t length;
  unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
  if (c >= 0xC2 && c <= 0xDF) {
    length = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    length = 3;
    if (c == 0xE0) low = 0xA0;
    if (c == 0xED) high = 0x9F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    length = 4;
    if (c == 0xF0) low = 0x90;
    if (c == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (size < length || s[1] < low || s[1] > high) return 0;
  for (std::size_t k = 2; k < length; ++k)
    if (s[k] < 0x80 || s[k] > 0xBF) return 0;
  return length;
}

void write_escape(FILE *outfile, unsigned char c) {
  switch (c) {
    case '"':
      std::fputs("\\\"", outfile);
      return;
    case '\\':
      std::fputs("\\\\", outfile);
      return;
    case '\n':
      std::fputs("\\n", outfile);
      return;
    case '\t':
      std::fputs("\\t", outfile);
      return;
    case '\r':
      std::fputs("\\r", outfile);
      return;
    case '\b':
      std::fputs("\\b", outfile);
      return;
    case '\f':
      std::fputs("\\f", outfile);
      return;
    default:
      std::fprintf(outfile, "\\u%04X", c);
  }
}

// Writes `text` escaped as the inside of a JSON string literal.
void write_content(FILE *outfile, std::string_view text) {
  const auto *s = reinterpret_cast<const unsigned char *>(text.data());
  const std::size_t size = text.size();
  std::size_t plain = 0;  // start of the bytes not yet written
  for (std::size_t i = 0; i < size;) {
    const unsigned char c = s[i];
    if (c >= 0x20 && c != '"' && c != '\\' && c < 0x80) {
      ++i;
      continue;
    }
    const std::size_t length = c >= 0x80 ? utf8_length(s + i, size - i) : 0;
    if (length > 0) {
      i += length;
      continue;
    }
    std::fwrite(s + plain, 1, i - plain, outfile);
    write_escape(outfile, c);
    plain = ++i;
  }
  std::fwrite(s + plain, 1, size - plain, outfile);
}

// Writes the tree's top nodes and everything below them, depth first, without
// recursion (a chain of phrase nodes can be as long as the sentence).
void write_tree(FILE *outfile, const mobile_t *first) {
  std::fputc('[', outfile);
  for (const mobile_t *m = first; m;) {
    if (m->child) {
      std::fputs("{\"category\":", outfile);
      json_string(outfile, inttotag(m->tag));
      std::fputs(",\"children\":[", outfile);
      m = m->child;
      continue;
    }
    std::fprintf(outfile, "%d", m->id);
    while (m && !m->sister) {
      m = m->parent;
      if (m) std::fputs("]}", outfile);
    }
    if (m) {
      std::fputc(',', outfile);
      m = m->sister;
    }
  }
  std::fputc(']', outfile);
}

void write_tokens(FILE *outfile, mobile_t *const *leaf, int n) {
  const std::vector<IobTag> &tags = iob_tags(leaf, n);
  std::fputc('[', outfile);
  for (int i = 0; i < n; ++i) {
    if (i > 0) std::fputc(',', outfile);
    std::fputs("{\"word\":", outfile);
    json_string(outfile, leaf[i]->string);
    std::fputs(",\"pos\":", outfile);
    json_string(outfile, inttotag(leaf[i]->tag));
    std::fputs(",\"chunk\":\"", outfile);
    std::fputc(tags[i].prefix, outfile);
    if (tags[i].prefix != 'O') {
      std::fputc('-', outfile);
      const char *category = inttotag(tags[i].category);
      write_content(outfile, category ? category : "");
    }
    std::fputs("\"}", outfile);
  }
  std::fputc(']', outfile);
}
}  // namespace

void json_string(FILE *outfile, const char *text) {
  if (!text) {
    std::fputs("null", outfile);
    return;
  }
  json_string(outfile, std::string_view(text));
}

void json_string(FILE *outfile, std::string_view text) {
  std::fputc('"', outfile);
  write_content(outfile, text);
  std::fputc('"', outfile);
}

void print_json(FILE *outfile, const mobile_t *root, mobile_t *const *leaf, int n) {
  int markup = 0;
  if (store_sgml_bool) {
    for (; markup < num_sgml_tags && word_pos_in_buf[markup] <= 0; ++markup)
      print_json_markup(outfile, sgml_line[markup], -1, 0);
  }
  std::fprintf(outfile, "{\"sentence\":%d,\"tokens\":", root->id);
  write_tokens(outfile, leaf, n);
  std::fputs(",\"tree\":", outfile);
  write_tree(outfile, root->child);
  std::fputs("}\n", outfile);
  if (store_sgml_bool) {
    for (; markup < num_sgml_tags; ++markup)
      print_json_markup(outfile, sgml_line[markup], root->id, word_pos_in_buf[markup]);
  }
}

void print_json_markup(FILE *outfile, const char *line, int sentence, int token) {
  std::string_view text(line);
  if (text.ends_with('\n')) text.remove_suffix(1);
  std::fputs("{\"markup\":", outfile);
  json_string(outfile, text);
  if (sentence >= 0) std::fprintf(outfile, ",\"sentence\":%d,\"token\":%d", sentence, token);
  std::fputs("}\n", outfile);
}
