// The orvit program through real pipes: sentence-by-sentence replies, comments,
// blank lines, odd bytes, and the command line.
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <unistd.h>

#include "run_vornik.h"

namespace {

// The tiny model: "a" is X, "b" and "c" are Y.
const std::string& tiny_model() {
  static const ScratchDir dir;
  static const std::string path = [] {
    const std::string model = dir.path() + "/tiny.orv";
    auto r = run_program({ORVIT_TRAIN_PATH, dir.write("tiny.txt", "a X\nb Y\n\na X\nb Y\n\nc Y\n"), model});
    EXPECT_EQ(r.status, 0) << r.err;
    return model;
  }();
  return path;
}

// orvit kept running, so a test can talk to it sentence by sentence.
class Child {
 public:
  explicit Child(const std::vector<std::string>& argv) {
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC)) throw std::runtime_error("pipe failed");
    pid_ = spawn(argv, {}, in[0], out[1], 2);
    close(in[0]);
    close(out[1]);
    in_ = in[1];
    out_ = out[0];
  }
  ~Child() {
    if (in_ >= 0) close(in_);
    close(out_);
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      wait_status(pid_);
    }
  }
  void write(const std::string& data) {
    ASSERT_EQ(::write(in_, data.data(), data.size()), static_cast<ssize_t>(data.size()));
  }
  // What arrives until the output ends with `suffix`, or 5 s pass with nothing new.
  std::string read_until(const std::string& suffix) {
    std::string got;
    char buf[4096];
    pollfd p{out_, POLLIN, 0};
    while (!got.ends_with(suffix) && poll(&p, 1, 5000) > 0) {
      const ssize_t n = ::read(out_, buf, sizeof buf);
      if (n <= 0) break;
      got.append(buf, n);
    }
    return got;
  }
  // Closes standard input: everything written after that, and the exit status.
  std::pair<std::string, int> finish() {
    close(in_);
    in_ = -1;
    std::string rest;
    char buf[4096];
    for (ssize_t n; (n = ::read(out_, buf, sizeof buf)) > 0;) rest.append(buf, n);
    const int status = wait_status(pid_);
    pid_ = -1;
    return {rest, status};
  }

 private:
  int pid_ = -1, in_ = -1, out_ = -1;
};

TEST(Protocol, ExactReplies) {
  struct Case {
    const char* name;
    std::string input, output;
  } cases[] = {
      {"plain", "a\nb\n\n", "a\tX\nb\tY\n\n"},
      {"comments", "%% note\na\n%%b\nb\n\n%%\n", "a\tX\nb\tY\n\n"},
      {"no final blank line", "a\nb\n", "a\tX\nb\tY\n\n"},
      {"no final newline", "a\nb", "a\tX\nb\tY\n\n"},
      {"columns and whitespace", "\n\n\n a\textra columns\n\vb \n \t\r\n\n", "a\tX\nb\tY\n\n"},
      {"carriage returns", "a\r\nb\r\n\r\n", "a\tX\nb\tY\n\n"},
      {"two sentences", "c\n\na\nb\n\n", "c\tY\n\na\tX\nb\tY\n\n"},
      {"empty input", "", ""},
      {"only comments and blanks", "%%x\n\n \n\n", ""},
      {"comment is not a token", "%%a\n", ""},
  };
  for (const auto& c : cases) {
    auto r = run_program({ORVIT_PATH, tiny_model(), "-"}, c.input);
    EXPECT_EQ(r.status, 0) << c.name << ": " << r.err;
    EXPECT_EQ(r.out, c.output) << c.name;
    EXPECT_EQ(r.err, "") << c.name;
  }
}

TEST(Protocol, EachSentenceAnsweredBeforeTheNextIsWritten) {
  Child child({ORVIT_PATH, tiny_model(), "-"});
  child.write("a\nb\n\n");
  EXPECT_EQ(child.read_until("\n\n"), "a\tX\nb\tY\n\n");
  // A pending, unfinished sentence must not hold back a complete one.
  child.write("c\n\na\n");
  EXPECT_EQ(child.read_until("\n\n"), "c\tY\n\n");
  child.write("b\n\n");
  EXPECT_EQ(child.read_until("\n\n"), "a\tX\nb\tY\n\n");
  EXPECT_EQ(child.finish(), std::make_pair(std::string(), 0));
}

TEST(Protocol, OddBytesAreEchoedExactly) {
  const std::string tokens[] = {"na\xc3\xafve", "\x80\xff\xfe", std::string(1 << 20, 'q'),
                                "\xe2\x80\x9cquoted\xe2\x80\x9d", "%not-a-comment"};
  std::string input;
  for (const auto& t : tokens) input += t + "\tignored\n";
  auto r = run_program({ORVIT_PATH, tiny_model(), "-"}, input + "\n");
  ASSERT_EQ(r.status, 0) << r.err;
  size_t pos = 0;
  for (const auto& t : tokens) {
    ASSERT_EQ(r.out.compare(pos, t.size() + 1, t + "\t"), 0) << "token " << t.substr(0, 20);
    pos += t.size() + 1;
    const std::string tag = r.out.substr(pos, 2);
    EXPECT_TRUE(tag == "X\n" || tag == "Y\n") << tag;
    pos += 2;
  }
  EXPECT_EQ(r.out.substr(pos), "\n");
}

TEST(CommandLine, TagsAFileWithABeamAndRejectsBadArguments) {
  ScratchDir dir;
  auto r = run_program({ORVIT_PATH, "-Z1000", tiny_model(), dir.write("input.txt", "a\nb\n\nc\n")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "a\tX\nb\tY\n\nc\tY\n\n");
  auto help = run_program({ORVIT_PATH, "-h"});
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(help.out.starts_with("usage: orvit")) << help.out;
  EXPECT_EQ(help.err, "");
  const std::pair<std::vector<std::string>, const char*> bad[] = {
      {{ORVIT_PATH}, "usage: orvit"},
      {{ORVIT_PATH, tiny_model()}, "usage: orvit"},
      {{ORVIT_PATH, tiny_model(), "-", "extra"}, "usage: orvit"},
      {{ORVIT_PATH, "-Zx", tiny_model(), "-"}, "bad beam"},
      {{ORVIT_PATH, "-Z0.5", tiny_model(), "-"}, "bad beam"},
      {{ORVIT_PATH, "-q", tiny_model(), "-"}, "unknown option"},
      {{ORVIT_PATH, tiny_model(), "/nonexistent/input.txt"}, "/nonexistent/input.txt"},
  };
  for (const auto& [args, message] : bad) {
    auto r = run_program(args);
    EXPECT_NE(r.status, 0) << message;
    EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
}

}  // namespace
