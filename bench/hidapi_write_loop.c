// The kernel benchmark's yardstick: the reports `ql8810 sweep 0 31 --repeat R`
// sends, written with Debian's hidapi (hidraw flavour) and nothing else, so
// that the difference in CPU per report is the cost of our own link.
//
//   hidapi_write_loop COUNT [PATH]
//
// Opens the board by vendor and product (or the hidraw node PATH) and writes
// COUNT dimming reports for levels 0, 1, ... 31, 0, 1, ... in turn.
#include <hidapi/hidapi.h>
#include <stdio.h>
#include <stdlib.h>

static unsigned char Reversed5(unsigned level) {
  unsigned reversed = 0;
  for (int bit = 0; bit < 5; ++bit) reversed |= ((level >> bit) & 1u) << (4 - bit);
  return (unsigned char)reversed;
}

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    fprintf(stderr, "usage: hidapi_write_loop COUNT [PATH]\n");
    return 2;
  }
  char* end = NULL;
  const long count = strtol(argv[1], &end, 10);
  if (*end != '\0' || count < 1) {
    fprintf(stderr, "hidapi_write_loop: bad count %s\n", argv[1]);
    return 2;
  }
  if (hid_init() != 0) return 1;
  hid_device* board = argc == 3 ? hid_open_path(argv[2]) : hid_open(0x0483, 0x0003, NULL);
  if (board == NULL) {
    fprintf(stderr, "hidapi_write_loop: board not found\n");
    return 1;
  }
  int status = 0;
  for (long i = 0; i < count; ++i) {
    const unsigned char report[8] = {0x01, 0x01, Reversed5((unsigned)(i % 32)), 0, 0, 0, 0, 0};
    if (hid_write(board, report, sizeof report) != (int)sizeof report) {
      fprintf(stderr, "hidapi_write_loop: write %ld failed: %ls\n", i, hid_error(board));
      status = 1;
      break;
    }
  }
  hid_close(board);
  hid_exit();
  return status;
}
