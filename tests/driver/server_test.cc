// End-to-end tests of server mode: the real vornik binary listening on a free local
// port, clients speaking the length-header protocol over real TCP sockets.
#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <map>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "background_vornik.h"
#include "run_vornik.h"

namespace {
const char kWaiting[] = "server waiting\n";
const char kProtocolError[] = "protocol error, disconnected\n";
const char kAbandoned[] = "client connection lost, output abandoned\n";

// A port that was free a moment ago: bound to port 0, read back, closed.
int free_port() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
  socklen_t length = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

// A client connection to 127.0.0.1; closed when the object dies.
class Client {
 public:
  explicit Client(int port) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    connected_ = connect(fd_, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    const timeval limit{10, 0};  // a server that never answers fails the test, not hangs it
    setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  }
  ~Client() { close(fd_); }
  Client(const Client &) = delete;
  Client &operator=(const Client &) = delete;

  bool connected() const { return connected_; }
  void send_text(const std::string &text) const {
    ASSERT_EQ(send(fd_, text.data(), text.size(), MSG_NOSIGNAL), static_cast<ssize_t>(text.size()));
  }
  void close_sending() const { shutdown(fd_, SHUT_WR); }
  // Everything the server sends until it closes the connection. A connection that
  // does not end with a clean end of stream (a reset, a timeout) fails the test.
  std::string read_all() const {
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = recv(fd_, buffer, sizeof buffer, 0)) > 0) text.append(buffer, n);
    EXPECT_EQ(n, 0) << "connection ended with: " << std::strerror(errno);
    return text;
  }
  // True when something (data or the end of the stream) arrives within `ms`.
  bool readable_within(int ms) const {
    pollfd waiting{fd_, POLLIN, 0};
    return poll(&waiting, 1, ms) > 0;
  }
  // Closes at once with a reset, dropping whatever is unread.
  void reset() {
    const linger abort_close{1, 0};
    setsockopt(fd_, SOL_SOCKET, SO_LINGER, &abort_close, sizeof abort_close);
    close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
  bool connected_ = false;
};

// One connection: sends `request` (header and text) and returns the whole answer.
std::string converse(int port, const std::string &request) {
  Client client(port);
  EXPECT_TRUE(client.connected());
  client.send_text(request);
  return client.read_all();
}

// The server's descriptor count once it has fallen to `idle` (the server closes a
// connection a moment after the client saw its end), or the count after 5 s.
int settled_descriptors(const BackgroundVornik &server, int idle) {
  for (int tries = 0; tries < 500 && server.open_descriptors() > idle; ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return server.open_descriptors();
}

// The number the next descriptor opened by process `pid` would get.
int lowest_free_descriptor(pid_t pid) {
  const std::string folder = "/proc/" + std::to_string(pid) + "/fd/";
  int fd = 0;
  while (access((folder + std::to_string(fd)).c_str(), F_OK) == 0) ++fd;
  return fd;
}

// Tags mode with chunk-tag output: every word gets its own tag and "1 NP" from the
// stand-in chunk tagger, so outputs are easy to write down.
class ServerTest : public ::testing::Test {
 protected:
  ScratchDir dir;
  std::string chunk_script = dir.write("chunk", "default x/1/c/NP\n");
  int port = free_port();

  std::vector<std::string> server_args(const std::string &port_text,
                                       const std::vector<std::string> &extra = {}) const {
    std::vector<std::string> args{"-S", "-v0", "-Itags", "-Ochunktags"};
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back(chunk_script);
    args.push_back(port_text);
    return args;
  }
  std::unique_ptr<BackgroundVornik> start_server(const std::vector<std::string> &extra = {},
                                                 const std::map<std::string, std::string> &env = {}) {
    auto server = std::make_unique<BackgroundVornik>(server_args(std::to_string(port), extra), env);
    EXPECT_TRUE(server->wait_for_err(kWaiting)) << server->err();
    return server;
  }
};

struct HeaderCase {
  const char *name;
  std::vector<std::string> pieces;  // sent one after another, with a pause between
  bool close_sending;               // shut the sending direction after the last piece
  const char *answer;
  bool rejected;                    // the server reports a protocol error
};

const HeaderCase kHeaderCases[] = {
    {"OneSentence", {"0012abc X\ndef Y\n"}, false, "abc\tX\t1\tNP\ndef\tY\t1\tNP\n\n", false},
    {"TwoSentences", {"0018abc X\n\ndef Y\nghi Z\n"}, false,
     "abc\tX\t1\tNP\n\ndef\tY\t1\tNP\nghi\tZ\t1\tNP\n\n", false},
    // 7 bytes: the second line starts inside the budget and is read whole.
    {"BudgetEndsMidLine", {"0007abc X\ndef Y\nghi Z\n"}, false, "abc\tX\t1\tNP\ndef\tY\t1\tNP\n\n",
     false},
    {"BlankFilledHeader", {"  12abc X\ndef Y\n"}, false, "abc\tX\t1\tNP\ndef\tY\t1\tNP\n\n", false},
    {"SurplusIgnored", {"0006abc X\nmore Y\nand Z\n"}, false, "abc\tX\t1\tNP\n\n", false},
    {"FewerBytesThanAnnounced", {"0100abc X\n"}, true, "abc\tX\t1\tNP\n\n", false},
    {"LastLineWithoutNewline", {"0005abc X"}, true, "abc\tX\t1\tNP\n\n", false},
    {"HeaderSplitOverTwoSends", {"00", "12abc X\ndef Y\n"}, false,
     "abc\tX\t1\tNP\ndef\tY\t1\tNP\n\n", false},
    {"ZeroHeader", {"0000abc X\n"}, false, "", false},
    {"LetterHeader", {"abcdabc X\n"}, false, "", false},
    {"MinusZeroHeader", {"-000abc X\n"}, false, "", false},
    {"NegativeHeader", {"-012abc X\n"}, false, "", true},
    {"NegativeHeaderWithLongText", {"-999" + std::string(20000, 'x')}, false, "", true},
    {"ShortHeader", {"001"}, true, "", true},
    {"NoHeader", {}, true, "", true},
};

void PrintTo(const HeaderCase &c, std::ostream *os) { *os << c.name; }

class HeaderTest : public ServerTest, public ::testing::WithParamInterface<HeaderCase> {};

TEST_P(HeaderTest, AnswersThenServesTheNextClient) {
  const HeaderCase &c = GetParam();
  auto server = start_server();
  {
    Client client(port);
    ASSERT_TRUE(client.connected());
    for (std::size_t i = 0; i < c.pieces.size(); ++i) {
      if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
      client.send_text(c.pieces[i]);
    }
    if (c.close_sending) client.close_sending();
    EXPECT_EQ(client.read_all(), c.answer);
  }
  // The server's state is unchanged: the next client gets a normal answer.
  EXPECT_EQ(converse(port, "0006end X\n"), "end\tX\t1\tNP\n\n");
  EXPECT_TRUE(server->running());
  EXPECT_EQ(server->err(), std::string(kWaiting) + (c.rejected ? kProtocolError : ""));
  EXPECT_EQ(server->out(), "");
}

INSTANTIATE_TEST_SUITE_P(Server, HeaderTest, ::testing::ValuesIn(kHeaderCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(ServerTest, OutputEqualsFilterModeOutputForWordsAndMarkup) {
  const std::string pos_script = dir.write("pos", "map the DET\nmap runs VERB\ndefault NOUN\n");
  chunk_script = dir.write("chunk", "map DET x/1/c/NP\nmap NOUN x/0/c/NP\ndefault x/1/c/VP\n");
  const std::string text =
      "%% a comment\n<doc>\nthe\ndog extra columns\n<s>\nruns\n\n\n<p>\n\nthe\ncat\n</doc>\n";
  const std::vector<std::string> options{"-c", "-Ochunktags", pos_script, chunk_script};
  std::vector<std::string> filter_args = options;
  filter_args.push_back("-");
  const RunResult filter = run_vornik(filter_args, text);
  ASSERT_EQ(filter.status, 0) << filter.err;
  const std::string opening = "%% Chunking sentences from stdin\n";
  ASSERT_EQ(filter.out.substr(0, opening.size()), opening);

  std::vector<std::string> server_args{"-S", "-v1"};
  server_args.insert(server_args.end(), options.begin(), options.end());
  server_args.push_back(std::to_string(port));
  BackgroundVornik server(server_args);
  ASSERT_TRUE(server.wait_for_err(kWaiting)) << server.err();
  char header[5];
  std::snprintf(header, sizeof header, "%04zu", text.size());
  EXPECT_EQ(converse(port, header + text), filter.out.substr(opening.size()));
  // The opening line names the port and goes only to the server's own output.
  EXPECT_EQ(server.out(), "%% Chunking sentences from file " + std::to_string(port) + "\n");
}

TEST_F(ServerTest, QueuedClientIsServedAfterTheFirst) {
  auto server = start_server();
  Client first(port);
  first.send_text("0012abc X\n");  // the second line is still to come
  Client second(port);
  ASSERT_TRUE(second.connected());
  second.send_text("0006xyz Q\n");
  EXPECT_FALSE(second.readable_within(300));
  first.send_text("def Y\n");
  EXPECT_EQ(first.read_all(), "abc\tX\t1\tNP\ndef\tY\t1\tNP\n\n");
  EXPECT_EQ(second.read_all(), "xyz\tQ\t1\tNP\n\n");
}

TEST_F(ServerTest, ClientGoneBeforeItsOutputIsAbandonedAndTheServerGoesOn) {
  auto server = start_server();
  const int descriptors = server->open_descriptors();  // idle: no connection yet
  std::string text;
  while (text.size() + 10 <= 9999) text += "word TAG\n\n";
  {
    Client client(port);
    client.send_text("9999" + text);
    // Gone once the output has begun: the sentences still buffered on the server's
    // side are answered into a connection that no longer exists.
    ASSERT_TRUE(client.readable_within(5000));
    client.reset();
  }
  ASSERT_TRUE(server->wait_for_err(kAbandoned)) << server->err();
  EXPECT_TRUE(server->running());
  EXPECT_EQ(converse(port, "0006end X\n"), "end\tX\t1\tNP\n\n");
  std::string messages = server->err();
  std::erase(messages, '.');  // progress dots, one per 100 lines read
  EXPECT_EQ(messages, std::string(kWaiting) + kAbandoned);
  // Back to the idle count once the last connection has been closed.
  EXPECT_EQ(settled_descriptors(*server, descriptors), descriptors);
}

TEST_F(ServerTest, ClientGoneWhileItsTextIsAwaitedDoesNotEndTheServer) {
  auto server = start_server();
  {
    Client client(port);
    client.send_text("0012abc X\n");
    client.reset();  // gone while the server still waits for the rest of its text
  }
  ASSERT_TRUE(server->wait_for_err(kAbandoned)) << server->err();
  EXPECT_EQ(converse(port, "0006end X\n"), "end\tX\t1\tNP\n\n");
  EXPECT_TRUE(server->running());
}

TEST_F(ServerTest, TaggerAndLineNumbersCarryOverAcrossConnections) {
  chunk_script = dir.write("chunk", "seq x/1/c/NP x/0/c/VP x/1/c/PP\n");
  auto server = start_server({}, {{"FAKE_ORVIT_LOG", dir.path() + "/log"}});
  EXPECT_EQ(converse(port, "0008abc X\n\n\n"), "abc\tX\t1\tNP\n\n");
  // Not restarted: the same chunk tagger goes on with its sequence of replies.
  EXPECT_EQ(converse(port, "0006def Y\n"), "def\tY\t0\tVP\n\n");
  // Lines counted so far: 3, then 1; the word without a tag is line 5 of the run.
  EXPECT_EQ(converse(port, "0004ghi\n"), "");
  EXPECT_EQ(server->wait_exit(), 255);
  EXPECT_EQ(server->err(), std::string(kWaiting) + "Word or POS tag missing in line 5, exiting\n");
  const std::string log = dir.read("log.chunk");
  EXPECT_EQ(log.find("argv:"), log.rfind("argv:")) << log;  // started once
}

TEST_F(ServerTest, FailingAcceptIsRetriedAtAGentlePaceUntilItWorksAgain) {
  auto server = start_server();
  // No descriptor left beyond the one its waiting accept has already reserved.
  rlimit limit{};
  ASSERT_EQ(prlimit(server->pid(), RLIMIT_NOFILE, nullptr, &limit), 0);
  const rlimit tight{static_cast<rlim_t>(lowest_free_descriptor(server->pid())), limit.rlim_max};
  ASSERT_EQ(prlimit(server->pid(), RLIMIT_NOFILE, &tight, nullptr), 0);
  {
    // Accepted, but no descriptor is left for its output stream: dropped, cleanly.
    Client dropped(port);
    dropped.send_text("0006abc X\n");
    EXPECT_EQ(dropped.read_all(), "");
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  const std::string dropped_message =
      "client connection dropped, no streams for it: Too many open files\n";
  std::string messages = server->err();
  ASSERT_TRUE(messages.starts_with(kWaiting + dropped_message)) << messages;
  messages.erase(0, std::strlen(kWaiting) + dropped_message.size());
  // Every accept now fails at once; about one attempt per 100 ms, not a busy loop.
  const auto failures = std::count(messages.begin(), messages.end(), '\n');
  EXPECT_GE(failures, 2) << messages;
  EXPECT_LE(failures, 8) << messages;
  std::string expected;
  for (int i = 0; i < failures; ++i) expected += kProtocolError;
  EXPECT_EQ(messages, expected);
  ASSERT_EQ(prlimit(server->pid(), RLIMIT_NOFILE, &limit, nullptr), 0);
  EXPECT_EQ(converse(port, "0006def Y\n"), "def\tY\t1\tNP\n\n");
}

TEST_F(ServerTest, LargePortNumberListensOnItsLow16Bits) {
  BackgroundVornik server(server_args(std::to_string(65536 + port)));
  ASSERT_TRUE(server.wait_for_err(kWaiting)) << server.err();
  EXPECT_EQ(converse(port, "0006abc X\n"), "abc\tX\t1\tNP\n\n");
}

TEST_F(ServerTest, IllegalPortNumbersEndTheServerAtStart) {
  for (const char *bad : {"0", "abc", "000", "65536", "131072"}) {
    BackgroundVornik server(server_args(bad));
    EXPECT_EQ(server.wait_exit(), 255) << bad;
    EXPECT_EQ(server.err(), std::string("error: illegal port number ") + bad);
  }
}

TEST_F(ServerTest, PortInUseIsReportedAndEndsTheServer) {
  const int holder = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  address.sin_port = htons(static_cast<uint16_t>(port));
  ASSERT_EQ(bind(holder, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
  ASSERT_EQ(listen(holder, 1), 0);
  BackgroundVornik server(server_args(std::to_string(port)));
  EXPECT_EQ(server.wait_exit(), 255);
  EXPECT_EQ(server.err(),
            "error: cannot bind to port " + std::to_string(port) + ": Address already in use\n");
  close(holder);
}

TEST_F(ServerTest, RestartedServerBindsAtOnce) {
  {
    auto server = start_server();
    // A finished connection leaves the server's side in TIME_WAIT.
    ASSERT_EQ(converse(port, "0006abc X\n"), "abc\tX\t1\tNP\n\n");
  }
  auto server = start_server();
  EXPECT_EQ(converse(port, "0006def Y\n"), "def\tY\t1\tNP\n\n");
}
}  // namespace
