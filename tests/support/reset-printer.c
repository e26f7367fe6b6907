/* A native (Linux) printer on ADDRESS:9100 that takes part of each job and
 * then drops the connection with a reset (SO_LINGER 0), as a printer that
 * fails mid-job does. A printer played by a thread under Wine cannot do this:
 * Wine shuts a socket down (an orderly close) before closing it.
 *   reset-printer ADDRESS BYTES   read at most BYTES of each connection, then reset
 * Its receive buffer is kept small, so a long job cannot sit whole in the
 * buffers: the sender is still sending when the reset comes. Runs until
 * killed. */
#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: reset-printer ADDRESS BYTES\n");
    return 2;
  }
  const long limit = atol(argv[2]);
  int listener = socket(AF_INET, SOCK_STREAM, 0);
  const int reuse = 1;
  setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof(reuse));
  const int small = 8192;
  setsockopt(listener, SOL_SOCKET, SO_RCVBUF, &small, sizeof(small));
  struct sockaddr_in local;
  memset(&local, 0, sizeof(local));
  local.sin_family = AF_INET;
  local.sin_port = htons(9100);
  if (inet_pton(AF_INET, argv[1], &local.sin_addr) != 1 ||
      bind(listener, (struct sockaddr*)&local, sizeof(local)) != 0 || listen(listener, 16) != 0) {
    perror("reset-printer");
    return 2;
  }
  for (;;) {
    int connection = accept(listener, NULL, NULL);
    if (connection < 0) continue;
    char chunk[8192];
    long taken = 0;
    while (taken < limit) {
      size_t want = sizeof(chunk);
      if ((long)want > limit - taken) want = (size_t)(limit - taken);
      ssize_t got = recv(connection, chunk, want, 0);
      if (got <= 0) break;
      taken += got;
    }
    const struct linger abort_close = {1, 0};
    setsockopt(connection, SOL_SOCKET, SO_LINGER, &abort_close, sizeof(abort_close));
    close(connection);
  }
}
