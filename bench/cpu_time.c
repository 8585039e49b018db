// Runs a command and writes the CPU time it used to FILE as "USER SYSTEM" in
// microseconds, then its peak resident memory (VmHWM) in KiB. wait4's figures
// are exact to the microsecond, where busybox's `time` rounds to 10 ms, too
// coarse for one benchmark run; and a small program forks here, so the peak
// is the command's, not that of an interpreter that started it.
//
//   cpu_time FILE COMMAND [ARG...]
//
// Exits with the command's status (128 + signal if a signal ended it).
#define _DEFAULT_SOURCE
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: cpu_time FILE COMMAND [ARG...]\n");
    return 2;
  }
  const pid_t child = fork();
  if (child < 0) {
    perror("cpu_time: fork");
    return 1;
  }
  if (child == 0) {
    execvp(argv[2], argv + 2);
    perror("cpu_time: exec");
    _exit(127);
  }
  int status = 0;
  struct rusage usage;
  if (wait4(child, &status, 0, &usage) != child) {
    perror("cpu_time: wait4");
    return 1;
  }
  FILE* out = fopen(argv[1], "w");
  if (out == NULL) {
    perror("cpu_time: open");
    return 1;
  }
  fprintf(out, "%ld %ld %ld\n",
          (long)usage.ru_utime.tv_sec * 1000000L + (long)usage.ru_utime.tv_usec,
          (long)usage.ru_stime.tv_sec * 1000000L + (long)usage.ru_stime.tv_usec, usage.ru_maxrss);
  fclose(out);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
