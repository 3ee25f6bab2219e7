// Formatting helpers for the messages carried by orvit::Error.
// Messages name the file and line so a user can find the faulty row at once.
#include "orvit/error.h"

namespace orvit {

std::string where(const std::string& file, long line, const std::string& what) {
  return file + ":" + std::to_string(line) + ": " + what;
}

std::string quote_row(std::string_view row) {
  constexpr size_t kMax = 60;
  std::string out = "\"";
  if (row.size() > kMax) {
    out.append(row.substr(0, kMax));
    out += "...";
  } else {
    out.append(row);
  }
  out += '"';
  return out;
}

}  // namespace orvit
