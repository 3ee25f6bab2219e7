// The row a model-file parser stands on: the file name and line for messages, and a
// cursor over the row's columns. Both model kinds' parsers build on it.
#pragma once

#include <string>
#include <string_view>

#include "orvit/error.h"
#include "orvit/text_scan.h"

namespace orvit {

class RowCursor {
 protected:
  // `name` names the model file in messages and must outlive the cursor.
  explicit RowCursor(const std::string &name) : name_(name) {}

  // Starts reading row `number` (from 1); `row` must stay valid while it is read.
  void start_row(std::string_view row, long number) {
    line_ = number;
    row_ = row;
    pos_ = 0;
  }

  // Throws Error naming the file and the current line.
  [[noreturn]] void fail(const std::string &what) { throw Error(where(name_, line_, what)); }
  [[noreturn]] void bad_row(const char *kind) {
    fail(std::string("bad ") + kind + " row " + quote_row(row_));
  }
  // Throws the "empty file" error when no row was read at all.
  void require_rows() {
    if (line_ != 0) return;
    line_ = 1;
    fail("empty file, not an orvit model");
  }

  // The label count of a "labels N" row, checked before anything is sized by it:
  // against what the rest of `text` after the current row can hold (a label row takes
  // at least "label x" and a newline) and against `limit`.
  void require_label_room(std::string_view text, long count, long limit) {
    const size_t row_end = static_cast<size_t>(row_.data() - text.data()) + row_.size();
    const size_t rest = text.size() > row_end ? text.size() - row_end - 1 : 0;
    const size_t room = (rest + 1) / 8;  // the last row may lack its newline
    if (static_cast<size_t>(count) > room)
      fail("declares " + std::to_string(count) + " labels, but the rest of the file holds at most " +
           std::to_string(room) + " label rows");
    if (count > limit)
      fail(std::to_string(count) + " labels: more than the " + std::to_string(limit) +
           " a model may have");
  }

  // The next column of the row, empty at its end.
  std::string_view next() { return next_column(row_, pos_); }
  bool at_end() { return next().empty(); }

  const std::string &name_;
  long line_ = 0;
  std::string_view row_;
  size_t pos_ = 0;
};

}  // namespace orvit
