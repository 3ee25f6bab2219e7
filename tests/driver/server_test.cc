// End-to-end tests of server mode: the real vornik binary listening on a free local
// port, clients speaking the length-header protocol over real TCP sockets.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/run_vornik.h"

namespace {
const std::string kWaiting = "server waiting\n";
const std::string kProtocolError = "protocol error, disconnected\n";
const std::string kAbandoned = "client connection lost, output abandoned\n";

sockaddr_in loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  return address;
}

// A port that was free a moment ago: bound to port 0, read back, closed.
int free_port() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = loopback(0);
  socklen_t length = sizeof address;
  bind(fd, reinterpret_cast<sockaddr *>(&address), length);
  getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

struct Client {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  explicit Client(int port) {
    const sockaddr_in address = loopback(port);
    EXPECT_EQ(connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address), 0);
    const timeval limit{10, 0};  // a server that never answers fails the test, not hangs it
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  }
  ~Client() { close(fd); }
  void send_text(const std::string &text) const {
    ASSERT_EQ(send(fd, text.data(), text.size(), MSG_NOSIGNAL), static_cast<ssize_t>(text.size()));
  }
  // Everything until the server closes; an end other than a clean one fails the test.
  std::string read_all() const {
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = recv(fd, buffer, sizeof buffer, 0)) > 0) text.append(buffer, n);
    EXPECT_EQ(n, 0) << "connection ended with: " << std::strerror(errno);
    return text;
  }
  bool readable_within(int ms) const {
    pollfd waiting{fd, POLLIN, 0};
    return poll(&waiting, 1, ms) > 0;
  }
  // Closes at once with a reset, dropping whatever is unread.
  void reset() {
    const linger abort_close{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort_close, sizeof abort_close);
    close(std::exchange(fd, -1));
  }
};

std::string request(const std::string &text) {
  char header[5];
  std::snprintf(header, sizeof header, "%04zu", text.size());
  return header + text;
}

std::string converse(int port, const std::string &request) {
  Client client(port);
  client.send_text(request);
  return client.read_all();
}

// Tags mode with chunk-tag output: every word gets its own tag and "1 NP" from the
// stand-in chunk tagger, so outputs are easy to write down.
class ServerTest : public ::testing::Test {
 protected:
  ScratchDir dir;
  std::string chunk_script = dir.write("chunk", "default x/1/c/NP\n");
  int port = free_port();

  std::vector<std::string> server_args(const std::string &port_text) const {
    return {"-S", "-v0", "-Itags", "-Ochunktags", chunk_script, port_text};
  }
  std::unique_ptr<BackgroundVornik> start_server() {
    auto server = std::make_unique<BackgroundVornik>(server_args(std::to_string(port)));
    EXPECT_TRUE(server->wait_for_err(kWaiting)) << server->err();
    return server;
  }
};

const std::string kStalled = "client stalled for 1 s, disconnected\n";

struct HeaderCase {
  const char *name;
  std::vector<std::string> pieces;  // sent one after another, with a pause between
  bool close_sending;               // shut the sending direction after the last piece
  const char *answer;
  std::string message;  // on the server's standard error
  int pause_ms = 50;
};

// The servers of these cases give each client 1 s of waiting in all.
// clang-format off
const HeaderCase kHeaderCases[] = {
    {"TwoSentences", {"0018abc X\n\ndef Y\nghi Z\n"}, false,
     "abc\tX\t1\tNP\n\ndef\tY\t1\tNP\nghi\tZ\t1\tNP\n\n", ""},
    // The announced bytes end the text, in the middle of a line too.
    {"BudgetEndsMidLine", {"0011abc X\ndef YZ\nghi Z\n"}, false,
     "abc\tX\t1\tNP\ndef\tY\t1\tNP\n\n", ""},
    {"LastLineWithoutNewline", {"0011abc X\ndef Y"}, false, "abc\tX\t1\tNP\ndef\tY\t1\tNP\n\n", ""},
    {"NulByteCounts", {std::string("0007abc X\0\n", 11)}, false, "abc\tX\t1\tNP\n\n",
     "vornik: warning: input line 1 holds a NUL byte, read as a blank\n"},
    {"BlankFilledHeader", {"  12abc X\ndef Y\n"}, false, "abc\tX\t1\tNP\ndef\tY\t1\tNP\n\n", ""},
    {"SurplusIgnored", {"0006abc X\nmore Y\nand Z\n"}, false, "abc\tX\t1\tNP\n\n", ""},
    {"FewerBytesThanAnnounced", {"0100abc X\n"}, true, "abc\tX\t1\tNP\n\n", ""},
    {"HeaderSplitOverTwoSends", {"00", "12abc X\ndef Y\n"}, false,
     "abc\tX\t1\tNP\ndef\tY\t1\tNP\n\n", ""},
    {"ZeroHeader", {"0000abc X\n"}, false, "", ""},
    {"LetterHeader", {"abcdabc X\n"}, false, "", ""},
    {"MinusZeroHeader", {"-000abc X\n"}, false, "", ""},
    {"NegativeHeaderWithLongText", {"-999" + std::string(20000, 'x')}, false, "", kProtocolError},
    {"ShortHeader", {"001"}, true, "", kProtocolError},
    {"LineWithoutTag", {"0008abc\nd X\n"}, false, "",
     "Word or POS tag missing in line 1, client disconnected\n"},
    {"HalfHeader", {"00"}, false, "", kStalled},
    {"HalfText", {"0012abc X\n"}, false, "abc\tX\t1\tNP\n\n", kStalled},
    {"Drip", {"0012", "a", "b", "c", " ", "X"}, false, "", kStalled, 300},
};
// clang-format on

TEST_F(ServerTest, HeadersAndTextsAreAnsweredThenTheNextClientIsServed) {
  for (const HeaderCase &c : kHeaderCases) {
    BackgroundVornik server(server_args(std::to_string(port)), {{"VORNIK_CLIENT_TIMEOUT", "1"}});
    ASSERT_TRUE(server.wait_for_err(kWaiting)) << server.err();
    {
      Client client(port);
      for (std::size_t i = 0; i < c.pieces.size(); ++i) {
        if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(c.pause_ms));
        send(client.fd, c.pieces[i].data(), c.pieces[i].size(), MSG_NOSIGNAL);  // may be cut off
      }
      if (c.close_sending) shutdown(client.fd, SHUT_WR);
      EXPECT_EQ(client.read_all(), c.answer) << c.name;
    }
    EXPECT_EQ(converse(port, "0006end X\n"), "end\tX\t1\tNP\n\n") << c.name;
    EXPECT_TRUE(server.running()) << c.name;
    EXPECT_EQ(server.err(), kWaiting + c.message) << c.name;
    EXPECT_EQ(server.out(), "") << c.name;
  }
}

// With -j the server spreads a connection's sentences over its pipelines too: the
// stand-in taggers answer after random delays, out of order.
TEST_F(ServerTest, OutputEqualsFilterModeOutputForWordsAndMarkup) {
  const std::string pos_script =
      dir.write("pos", "map the DET\nmap runs VERB\ndefault NOUN\ndelay 800\n");
  chunk_script =
      dir.write("chunk", "map DET x/1/c/NP\nmap NOUN x/0/c/NP\ndefault x/1/c/VP\ndelay 800\n");
  const std::string once =
      "%% a comment\n<doc>\nthe\ndog extra columns\n<s>\nruns\n\n\n<p>\n\nthe\ncat\n</doc>\n";
  std::string text;
  for (int i = 0; i < 6; ++i) text += once + "\n";
  const std::string opening = "%% Chunking sentences from file " + std::to_string(port) + "\n";
  // clang-format off
  const std::pair<const char *, const char *> runs[] = {
      {"-Ochunktags", "-j1"}, {"-Oconll", "-j1"}, {"-Ojson", "-j1"}, {"-Ochunktags", "-j3"},
      {"-Ojson", "-j4"}};
  // clang-format on
  for (const auto &[mode, jobs] : runs) {
    const RunResult filter = run_vornik({"-v0", "-c", mode, pos_script, chunk_script, "-"}, text);
    ASSERT_EQ(filter.status, 0) << filter.err;

    BackgroundVornik server(
        {"-S", "-v1", "-c", jobs, mode, pos_script, chunk_script, std::to_string(port)});
    ASSERT_TRUE(server.wait_for_err(kWaiting)) << server.err();
    EXPECT_EQ(converse(port, request(text)), filter.out) << mode << jobs;
    // The next connection finds the pipelines in step (JSON records number the
    // sentences over all connections).
    const RunResult again =
        run_vornik({"-v0", "-c", mode, pos_script, chunk_script, "-"}, "the\ncat\n");
    if (mode != std::string("-Ojson")) {
      EXPECT_EQ(converse(port, "0008the\ncat\n"), again.out) << mode << jobs;
    }
    // The opening line names the port and goes only to the server's own output (its
    // standard error for the record formats).
    if (mode == std::string("-Ochunktags")) {
      EXPECT_EQ(server.out(), opening);
    } else {
      EXPECT_NE(server.err().find(opening), std::string::npos) << server.err();
    }
  }
}

// Tags and words first seen in a connection are forgotten when it ends and their ids
// given out again: later clients (with tags of ended connections, tags of the tag-fix
// rules and new ones) still get the filter-mode output, trees with their words too.
TEST_F(ServerTest, TagsOfEndedConnectionsAreForgottenAndLaterClientsGetFilterOutput) {
  const std::string rules = dir.write("rules", "fix # =NN -> NNX\n");
  chunk_script = dir.write("chunk", "map NNX x/1/c/VP\ndefault x/1/c/NP\n");
  const auto args = [&](const std::string &input) {
    return std::vector<std::string>{"-v0", "-u", "-Itags", "-f", rules, chunk_script, input};
  };
  std::vector<std::string> with_port = args(std::to_string(port));
  with_port.insert(with_port.begin(), "-S");
  BackgroundVornik server(with_port);
  ASSERT_TRUE(server.wait_for_err(kWaiting)) << server.err();
  for (int i = 0; i < 300; ++i) {
    const std::string n = std::to_string(i);
    const std::string text = "w" + n + " NEW" + n + "\nany NN\nv" + n + " T" + n + "\n";
    const std::string answer = converse(port, request(text));
    if (i % 60 == 0) {
      EXPECT_EQ(answer, run_vornik(args("-"), text).out) << i;
    }
  }
  const std::string text = "w1 NEW1\nw299 NEW299\nany NN\n\nx NEWER\nw1 NNX\n";
  EXPECT_EQ(converse(port, request(text)), run_vornik(args("-"), text).out);
  EXPECT_TRUE(server.running());
}

TEST_F(ServerTest, QueuedClientIsServedAfterTheFirst) {
  auto server = start_server();
  Client first(port);
  first.send_text("0012abc X\n");  // the second line is still to come
  Client second(port);
  second.send_text("0006xyz Q\n");
  EXPECT_FALSE(second.readable_within(300));
  first.send_text("def Y\n");
  EXPECT_EQ(first.read_all(), "abc\tX\t1\tNP\ndef\tY\t1\tNP\n\n");
  EXPECT_EQ(second.read_all(), "xyz\tQ\t1\tNP\n\n");
}

TEST_F(ServerTest, ClientsGoneEarlyAreAbandonedAndTheServerGoesOnWithNoDescriptorLeft) {
  auto server = start_server();
  const int idle = server->open_descriptors();
  {
    Client client(port);
    client.send_text("0012abc X\n");
    client.reset();  // gone while the server still waits for the rest of its text
  }
  ASSERT_TRUE(server->wait_for_err(kAbandoned)) << server->err();
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
  const auto messages = [&] {
    std::string text = server->err();
    std::erase(text, '.');  // progress dots, one per 100 lines read
    return text;
  };
  ASSERT_TRUE(poll_until([&] { return messages().ends_with(kAbandoned + kAbandoned); }, 10000))
      << server->err();
  EXPECT_EQ(converse(port, "0006end X\n"), "end\tX\t1\tNP\n\n");
  EXPECT_TRUE(server->running());
  EXPECT_EQ(messages(), kWaiting + kAbandoned + kAbandoned);
  // The server closes a connection a moment after the client saw its end.
  EXPECT_TRUE(poll_until([&] { return server->open_descriptors() == idle; }, 5000))
      << server->open_descriptors();
}

TEST_F(ServerTest, FailingAcceptIsRetriedAtAGentlePaceUntilItWorksAgain) {
  auto server = start_server();
  // No descriptor left beyond the one its waiting accept has already reserved.
  const std::string fds = "/proc/" + std::to_string(server->pid()) + "/fd/";
  rlim_t lowest_free = 0;
  while (access((fds + std::to_string(lowest_free)).c_str(), F_OK) == 0) ++lowest_free;
  rlimit limit{};
  ASSERT_EQ(prlimit(server->pid(), RLIMIT_NOFILE, nullptr, &limit), 0);
  const rlimit tight{lowest_free, limit.rlim_max};
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
  messages.erase(0, kWaiting.size() + dropped_message.size());
  // Every accept now fails at once; about one attempt per 100 ms, not a busy loop.
  const auto failures = std::count(messages.begin(), messages.end(), '\n');
  EXPECT_GE(failures, 2) << messages;
  EXPECT_LE(failures, 8) << messages;
  EXPECT_EQ(std::regex_replace(messages, std::regex(kProtocolError), ""), "") << messages;
  ASSERT_EQ(prlimit(server->pid(), RLIMIT_NOFILE, &limit, nullptr), 0);
  EXPECT_EQ(converse(port, "0006def Y\n"), "def\tY\t1\tNP\n\n");
}

TEST_F(ServerTest, IllegalPortOrPortInUseEndsTheServerAtStart) {
  const int holder = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = loopback(port);
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  ASSERT_EQ(bind(holder, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
  ASSERT_EQ(listen(holder, 1), 0);
  std::vector<std::pair<std::string, std::string>> cases{
      {std::to_string(port),
       "error: cannot bind to port " + std::to_string(port) + ": Address already in use\n"}};
  cases.emplace_back("300.1.1.1:" + std::to_string(port), "error: illegal address 300.1.1.1\n");
  for (const char *bad : {"0", "abc", "000", "65536", "131072"})
    cases.emplace_back(bad, std::string("error: illegal port number ") + bad);
  for (const auto &[port_text, message] : cases) {
    BackgroundVornik server(server_args(port_text));
    EXPECT_EQ(server.wait_exit(), 255) << port_text;
    EXPECT_EQ(server.err(), message);
  }
  close(holder);
}

// An address before the port listens on that address only; a port above 65535 listens on
// its low 16 bits; a restarted server binds at once, while the connections of the last
// one linger in TIME_WAIT.
TEST_F(ServerTest, AddressesAndPortsThatListen) {
  const std::pair<std::string, bool> servers[] = {{"127.0.0.1:" + std::to_string(port), true},
                                                  {std::to_string(65536 + port), false},
                                                  {std::to_string(port), false}};
  for (const auto &[port_text, loopback_only] : servers) {
    BackgroundVornik server(server_args(port_text));
    ASSERT_TRUE(server.wait_for_err(kWaiting)) << server.err();
    EXPECT_EQ(converse(port, "0006abc X\n"), "abc\tX\t1\tNP\n\n") << port_text;
    // 127.0.0.2 is this machine too, but not the address given.
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in other = loopback(port);
    other.sin_addr.s_addr = htonl(0x7f000002);
    EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr *>(&other), sizeof other) == 0, !loopback_only)
        << port_text;
    close(fd);
  }
}
}  // namespace
