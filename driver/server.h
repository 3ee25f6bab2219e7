// Server mode: a TCP listening socket and client connections that each send a
// 4-byte decimal length header followed by their text.
#pragma once

#include "driver/chunkio.h"

extern int bytes_expected;  // text bytes of the current connection still to be read

int init_socket(int portnr);
int bind_client(int server_sockfd);
int init_client(int client_sockfd);
// Listens on the port named by `port` ("PORT", or "ADDRESS:PORT" for one IPv4 address)
// and serves one client after another, for ever.
[[noreturn]] void serve_clients(const char *port, chunkio_t *record, int *token_count);
