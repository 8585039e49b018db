/* The C interface on the machine's own HID interfaces with no board plugged
 * in, as a lab program meets it: the open fails with QL8810_E_NOT_FOUND and
 * the trace of its search says why. Prints that trace; exit status 77
 * (skipped) where a board is plugged in after all. Compiled as C. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "ql8810.h"

int main(void) {
  ql8810_board* board = NULL;
  size_t length = 0;
  char* trace = NULL;
  int status = ql8810_open(NULL, NULL, &board);
  if (status == QL8810_OK) {
    puts("a board is plugged in: nothing to check here");
    ql8810_close(board);
    return 77;
  }
  printf("ql8810_open: %s (%s)\n", ql8810_strerror(status), ql8810_last_message());
  if (status != QL8810_E_NOT_FOUND || board != NULL) return 1;
  /* Asked once for the length, then for the text. */
  if (ql8810_open_trace(NULL, 0, &length) != QL8810_E_BUFFER || length == 0) return 1;
  trace = malloc(length + 1);
  if (trace == NULL || ql8810_open_trace(trace, length + 1, &length) != QL8810_OK) return 1;
  puts(trace);
  status = strncmp(trace, "\nGetHidGuid\n", 12) == 0 && strstr(trace, "\nSetupDiClassDevs\n") &&
                   length >= 19 && strcmp(trace + length - 19, "\n Device not found.") == 0
               ? 0
               : 1;
  free(trace);
  return status;
}
