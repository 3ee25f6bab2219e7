// The one exception type orvit throws: a message meant for the user, already
// prefixed with the file and line it is about where that is known.
#pragma once

#include <stdexcept>
#include <string_view>
#include <string>

namespace orvit {

class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// "FILE:LINE: what" — the form of every message about a bad input row.
std::string where(const std::string& file, long line, const std::string& what);

// Quotes a row for an error message, shortened so huge rows stay readable.
std::string quote_row(std::string_view row);

}  // namespace orvit
