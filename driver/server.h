// Server mode: a TCP listening socket and client connections that each send a
// 4-byte decimal length header followed by their text.
#pragma once

#include "driver/chunkio.h"

extern int bytes_expected;  // text bytes of the current connection still to be read

// Returns a socket listening on all addresses at port `portnr` (its low 16 bits) and
// writes "server waiting"; ends the process (status 255) if it cannot.
int init_socket(int portnr);
// Waits for the next client of `server_sockfd`: its connected socket, or -1 (errno set).
int bind_client(int server_sockfd);
// Reads the 4-byte length header of a new connection; returns its value (-1 when the
// client sent less) and, when not negative, sets bytes_expected to it.
int init_client(int client_sockfd);
// Listens on the port named by `port` ("PORT", or "ADDRESS:PORT" for one IPv4 address)
// and serves one client after another, for ever.
[[noreturn]] void serve_clients(const char *port, chunkio_t *record, int *token_count);
