// What a run holds that end-to-end runs cannot see, because the process ends first:
// the counted allocator's limit, word buffer blocks, sentence record growth, and the
// decompressor children of compressed inputs.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "driver/chunkio.h"
#include "driver/error.h"
#include "driver/utils.h"
#include "driver/word_buffer.h"
#include "support/run_vornik.h"

namespace {
TEST(CountedAllocation, LimitIsInclusive) {
  memory_allocated = memory_max - 10;
  void *block = memalloc(10);
  EXPECT_NE(block, nullptr);
  std::free(block);
  EXPECT_EQ(memory_allocated, memory_max);
  EXPECT_EXIT(memalloc(1), ::testing::ExitedWithCode(1),
              "^\nvornik: memory limit exceeded \\(100 MB\\)\n$");
  EXPECT_EXIT(clralloc(static_cast<std::size_t>(1) << 40, static_cast<std::size_t>(1) << 40),
              ::testing::ExitedWithCode(1), "memory limit exceeded");
}

// A block holds strings up to its last byte: after a 9000-byte word (bytes 1 to 9001),
// a 997-byte word still ends inside the block, a 998-byte one goes to the next block.
TEST(WordBuffer, StringsAndTheirEndsStayInsideTheirBlock) {
  // Kept until the process ends, as vornik keeps its buffers (so not a leak).
  static t_wordbuf *const buffer = wordbuf_init();
  const std::string first(9000, 'a');
  for (const std::size_t length : {997, 998}) {
    wordbuf_zero(buffer);
    const std::string second(length, 'b');
    const char *a = wordbuf_new_word(buffer, first.c_str());
    const char *b = wordbuf_new_word(buffer, second.c_str());
    EXPECT_EQ(a, buffer->buf_begin + 1);
    if (length == 997) {
      EXPECT_EQ(b, buffer->buf_begin + 9002);
    } else {
      ASSERT_NE(buffer->next, nullptr);
      EXPECT_EQ(b, buffer->next->buf_begin + 1);
    }
    EXPECT_EQ(a, first);
    EXPECT_EQ(b, second);
  }
}

// After every append there is room for the next entry, and growing keeps the entries.
TEST(SentenceRecord, GrowsAsSoonAsItIsFull) {
  static chunkio_t *const record = chunkio_init();  // kept as vornik keeps its records
  char word[] = "w";
  const char *depths[] = {"0", "1", "2"};
  for (int i = 0; i < 5000; ++i) {
    EXPECT_EQ(chunkio_next_line(record, word, nullptr, depths[i % 3], nullptr), i + 1);
    ASSERT_LT(record->sentence_length, record->buf_size) << "after entry " << i;
  }
  for (int i = 0; i < 5000; ++i) ASSERT_EQ(record->rel_depth[i], depths[i % 3][0]) << i;
}

// Closing a compressed input reaps its decompressor: no child is left behind.
TEST(CompressedInput, ClosingReapsTheDecompressor) {
  ScratchDir dir;
  const RunResult gzip = run_program({"/usr/bin/gzip", "-c"}, "one line\n");
  ASSERT_EQ(gzip.status, 0);
  const std::string path = dir.write("input.gz", gzip.out);
  FILE *in = openread(path.c_str());
  ASSERT_NE(in, nullptr);
  char line[100] = "";
  ASSERT_NE(std::fgets(line, sizeof line, in), nullptr);
  EXPECT_STREQ(line, "one line\n");
  closeread(in, path.c_str());
  errno = 0;
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}
}  // namespace
