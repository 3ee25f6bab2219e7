// Server mode: a TCP listening socket on which clients connect one at a time, each
// sending a 4-byte decimal length header and then its text, and receiving the output.
#include "driver/server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "driver/parser.h"
#include "driver/pipelines.h"
#include "driver/utils.h"
#include "symtab/lexicon.h"

int bytes_expected = 0;

namespace {
int portnr = 0;
in_addr listen_address{htonl(INADDR_ANY)};
int server_sockfd = -1;

constexpr int kBacklog = 5;
constexpr int kHeaderSize = 4;
// Pause after a failed accept, so a lasting failure does not spin the processor.
constexpr long kAcceptBackoffNanos = 100L * 1000 * 1000;
// How long a finished connection waits for the client to take the end of the output
// before its socket is closed (see drain_before_close).
constexpr int kLingerMillis = 200;

// What the server may spend waiting for the current client, in all (its header, its
// text, or room for its output), before it is disconnected.
int client_wait_left_ms = 0;
bool client_timed_out = false;

int client_timeout_seconds() {
  static int seconds = -1;
  if (seconds < 0) {
    const char *setting = std::getenv("VORNIK_CLIENT_TIMEOUT");
    seconds = setting && *setting ? std::atoi(setting) : 5;
    if (seconds <= 0) seconds = 5;
  }
  return seconds;
}

long now_ms() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1000L + now.tv_nsec / 1000000L;
}

// Waits until `fd` is ready for `events`, charging the time to the client; false (and
// the client timed out) when its waiting time is used up.
bool wait_for_client(int fd, short events) {
  for (;;) {
    if (client_wait_left_ms <= 0) {
      client_timed_out = true;
      return false;
    }
    pollfd waiting{fd, events, 0};
    const long start = now_ms();
    const int ready = poll(&waiting, 1, client_wait_left_ms);
    client_wait_left_ms -= static_cast<int>(now_ms() - start);
    if (ready > 0) return true;
    if (ready < 0 && errno != EINTR) return true;  // the read or write reports it
  }
}

// The input stream of a connection reads only when the client has sent something, so
// a client that stalls costs at most its waiting time.
ssize_t socket_read(void *cookie, char *buf, std::size_t size) {
  const int fd = *static_cast<int *>(cookie);
  for (;;) {
    if (!wait_for_client(fd, POLLIN)) {
      errno = ETIMEDOUT;
      return -1;
    }
    const ssize_t n = read(fd, buf, size);
    if (n >= 0 || (errno != EINTR && errno != EAGAIN)) return n;
  }
}

[[noreturn]] void socket_failure(const char *what, int port) {
  std::fprintf(stderr, "error: cannot %s port %d: %s\n", what, port, std::strerror(errno));
  std::exit(255);
}

// The output stream of a connection writes with send(MSG_NOSIGNAL): a client that has
// gone away makes the stream's error flag rise instead of raising SIGPIPE, which would
// end the whole server. SIGPIPE stays reserved for the tagger pipes.
ssize_t socket_write(void *cookie, const char *buf, std::size_t size) {
  const int fd = *static_cast<int *>(cookie);
  std::size_t sent = 0;
  while (sent < size) {
    const ssize_t n = send(fd, buf + sent, size - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN && wait_for_client(fd, POLLOUT)) continue;
      return 0;  // the stream reports an error
    }
    sent += static_cast<std::size_t>(n);
  }
  return static_cast<ssize_t>(sent);
}

int socket_close(void *cookie) {
  int *fd = static_cast<int *>(cookie);
  const int result = close(*fd);
  delete fd;
  return result;
}

FILE *open_socket_stream(int fd, const char *mode) {
  int *cookie = new int(fd);
  cookie_io_functions_t functions{};
  functions.read = socket_read;
  functions.write = socket_write;
  functions.close = socket_close;
  FILE *stream = without_locking(fopencookie(cookie, mode, functions));
  if (!stream) delete cookie;
  return stream;
}

// Sends the end of the stream (FIN) first and reads away what the client still sends
// until it closes or a short time passes: closing a socket with unread input would
// reset the connection, and the client could lose output it has not read yet.
void drain_before_close(int fd) {
  shutdown(fd, SHUT_WR);
  timespec start{};
  clock_gettime(CLOCK_MONOTONIC, &start);
  char discard[4096];
  for (;;) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const long elapsed =
        (now.tv_sec - start.tv_sec) * 1000L + (now.tv_nsec - start.tv_nsec) / 1000000L;
    if (elapsed >= kLingerMillis) break;
    pollfd waiting{fd, POLLIN, 0};
    if (poll(&waiting, 1, static_cast<int>(kLingerMillis - elapsed)) <= 0) break;
    const ssize_t n = read(fd, discard, sizeof discard);
    if (n == 0 || (n < 0 && errno != EINTR)) break;
  }
}

void report_stalled_client() {
  std::fprintf(stderr, "client stalled for %d s, disconnected\n", client_timeout_seconds());
}

// Serves one accepted connection whose header announced `budget` >= 0 bytes.
void serve_connection(int client_sockfd, chunkio_t *record, int *token_count) {
  const int dup_sockfd = fcntl(client_sockfd, F_DUPFD_CLOEXEC, 0);
  FILE *infile = dup_sockfd < 0 ? nullptr : open_socket_stream(client_sockfd, "r");
  FILE *outfile = infile ? open_socket_stream(dup_sockfd, "w") : nullptr;
  if (!outfile) {
    const int cause = errno;
    drain_before_close(client_sockfd);
    if (infile) {
      std::fclose(infile);
    } else {
      close(client_sockfd);
    }
    if (dup_sockfd >= 0) close(dup_sockfd);
    std::fprintf(stderr, "client connection dropped, no streams for it: %s\n",
                 std::strerror(cause));
    return;
  }
  run_sentence_loop(infile, outfile, record, token_count);
  std::fflush(outfile);
  const bool lost = std::ferror(outfile) || std::ferror(infile);
  if (!lost) drain_before_close(client_sockfd);
  std::fclose(infile);
  std::fclose(outfile);
  if (client_timed_out) {
    report_stalled_client();
  } else if (lost) {
    std::fputs("client connection lost, output abandoned\n", stderr);
  }
}
}  // namespace

int init_socket(int portnr) {
  const int port = portnr & 0xFFFF;
  const int sockfd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (sockfd < 0) socket_failure("open a socket for", port);
  const int on = 1;
  // A restarted server can bind at once, while connections of the old one linger.
  setsockopt(sockfd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr = listen_address;
  address.sin_port = htons(static_cast<uint16_t>(port));
  if (bind(sockfd, reinterpret_cast<sockaddr *>(&address), sizeof address) < 0) {
    socket_failure("bind to", port);
  }
  if (listen(sockfd, kBacklog) < 0) socket_failure("listen on", port);
  std::fputs("server waiting\n", stderr);
  return sockfd;
}

int bind_client(int server_sockfd) {
  for (;;) {
    const int fd = accept4(server_sockfd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd >= 0 || errno != EINTR) return fd;
  }
}

int init_client(int client_sockfd) {
  char init_info[kHeaderSize + 1] = {};
  int received = 0;
  while (received < kHeaderSize) {
    if (!wait_for_client(client_sockfd, POLLIN)) return -1;
    const ssize_t n = read(client_sockfd, init_info + received, kHeaderSize - received);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return -1;
    received += static_cast<int>(n);
  }
  // Read as atoi does: blanks, one sign and digits; no leading digits gives 0.
  const int value = std::atoi(init_info);
  if (value >= 0) bytes_expected = value;
  return value;
}

void serve_clients(const char *port, chunkio_t *record, int *token_count) {
  // The opening line must not wait in a buffer for an end the server never reaches.
  std::fflush(stdout);
  // "ADDRESS:PORT" listens on that IPv4 address only; a plain port on every one.
  if (const char *colon = std::strrchr(port, ':')) {
    const std::string address(port, colon);
    if (inet_pton(AF_INET, address.c_str(), &listen_address) != 1) {
      std::fprintf(stderr, "error: illegal address %s\n", address.c_str());
      std::exit(255);
    }
    port = colon + 1;
  }
  // Read as atoi does (blanks, sign, digits), but saturating instead of overflowing.
  const long value = std::strtol(port, nullptr, 10);
  // Only the low 16 bits name the port; a number whose low 16 bits are 0 would make
  // the system pick a random port no client knows, so it is refused like 0.
  if (value == 0 || (value & 0xFFFF) == 0) {
    std::fprintf(stderr, "error: illegal port number %s", port);
    std::exit(255);
  }
  portnr = static_cast<int>(value & 0xFFFF);
  server_sockfd = init_socket(portnr);
  for (;;) {
    const int client_sockfd = bind_client(server_sockfd);
    if (client_sockfd < 0) {
      std::fputs("protocol error, disconnected\n", stderr);
      const timespec pause{0, kAcceptBackoffNanos};
      nanosleep(&pause, nullptr);
      continue;
    }
    client_wait_left_ms = client_timeout_seconds() * 1000;
    client_timed_out = false;
    if (init_client(client_sockfd) < 0) {
      drain_before_close(client_sockfd);
      close(client_sockfd);
      if (client_timed_out) {
        report_stalled_client();
      } else {
        std::fputs("protocol error, disconnected\n", stderr);
      }
      continue;
    }
    // Tags and words first seen in a connection are forgotten when it ends, so that
    // clients cannot grow the tables the server keeps.
    lexicon_mark();
    serve_connection(client_sockfd, record, token_count);
    lexicon_rollback();
  }
}
