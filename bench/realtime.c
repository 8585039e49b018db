// Runs a command under the real-time FIFO policy at the highest priority, so
// that it runs whenever it is ready. The kernel benchmark's board emulator
// must take every report off the uhid queue (32 events deep) before the
// writer gets the CPU again; at nice -20 it still fell behind now and then.
// Debian's busybox has no chrt.
//
//   realtime COMMAND [ARG...]
#define _DEFAULT_SOURCE
#include <sched.h>
#include <stdio.h>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: realtime COMMAND [ARG...]\n");
    return 2;
  }
  const struct sched_param param = {.sched_priority = sched_get_priority_max(SCHED_FIFO)};
  if (sched_setscheduler(0, SCHED_FIFO, &param) != 0) {
    perror("realtime: sched_setscheduler");
    return 1;
  }
  execvp(argv[1], argv + 1);
  perror("realtime: exec");
  return 127;
}
