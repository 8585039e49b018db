/* Sets level 12 on the simulated board through an installed libql8810. */
#include <stdio.h>

#include <ql8810.h>

int main(void) {
  ql8810_board* kit = NULL;
  if (ql8810_open(NULL, "board", &kit) != QL8810_OK || ql8810_set_level(kit, 12) != QL8810_OK) {
    fprintf(stderr, "%s\n", ql8810_last_message());
    return 1;
  }
  printf("libql8810 %s: level 12 sent\n", ql8810_version());
  return ql8810_close(kit) == QL8810_OK ? 0 : 1;
}
