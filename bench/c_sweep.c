/* The C yardstick of the Python sweep in the kernel benchmark
 * (scripts/bench-qemu): REPORTS dimming levels, sweeps of 0 to 31, to the
 * first board through libql8810, as a C lab program sends them. Prints
 * "sweep_cpu_us N", the process's CPU time over the sweeps alone. With
 * SCENARIO, on that simulated PC (the memory benchmark's long runs).
 *   c_sweep REPORTS [SCENARIO] */
#define _POSIX_C_SOURCE 200809L
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

#include "ql8810.h"

int main(int argc, char** argv) {
  char* end = NULL;
  const long reports = argc == 2 || argc == 3 ? strtol(argv[1], &end, 10) : 0;
  ql8810_board* board = NULL;
  long i = 0;
  int status = QL8810_OK;
  struct timespec start, stop;
  if ((argc != 2 && argc != 3) || *end != '\0' || reports < 32 || reports % 32 != 0) {
    fprintf(stderr, "usage: c_sweep REPORTS [SCENARIO] (REPORTS a multiple of 32)\n");
    return 2;
  }
  status = ql8810_open(NULL, argc == 3 ? argv[2] : NULL, &board);
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &start);
  for (i = 0; status == QL8810_OK && i < reports / 32; ++i)
    status = ql8810_sweep(board, 0, 31, 1, 0, NULL);
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &stop);
  if (status != QL8810_OK) {
    fprintf(stderr, "c_sweep: %s (%s)\n", ql8810_strerror(status), ql8810_last_message());
    return 1;
  }
  printf("sweep_cpu_us %ld\n",
         (long)((stop.tv_sec - start.tv_sec) * 1000000L + (stop.tv_nsec - start.tv_nsec) / 1000));
  return ql8810_close(board) == QL8810_OK ? 0 : 1;
}
