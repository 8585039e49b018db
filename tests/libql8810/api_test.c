/* The C interface from C, as a lab program uses it, on the simulated PC:
 * every call's success and the statuses of its misuse. Compiled as C. */
#include <stdio.h>
#include <string.h>

#include "ql8810.h"

static int failures = 0;

#define CHECK(condition)                                              \
  do {                                                                \
    if (!(condition)) {                                               \
      fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #condition); \
      ++failures;                                                     \
    }                                                                 \
  } while (0)

#define STATUS(call, expected)                                                         \
  do {                                                                                 \
    int got_ = (call);                                                                 \
    if (got_ != (expected)) {                                                          \
      fprintf(stderr, "%s:%d: %s gave %d (%s: %s)\n", __FILE__, __LINE__, #call, got_, \
              ql8810_strerror(got_), ql8810_last_message());                           \
      ++failures;                                                                      \
    }                                                                                  \
  } while (0)

static void texts(void) {
  CHECK(strcmp(ql8810_version(), "1.0.0") == 0);
  CHECK(strcmp(ql8810_strerror(QL8810_OK), "success") == 0);
  CHECK(strcmp(ql8810_strerror(QL8810_E_BUFFER), "buffer too short") == 0);
  CHECK(strcmp(ql8810_strerror(12345), "unknown status") == 0);
}

static void listing(void) {
  ql8810_interface records[8];
  size_t count = 0;
  STATUS(ql8810_list("two", records, 8, &count), QL8810_OK);
  CHECK(count == 4);
  CHECK(!records[0].is_board && records[2].is_board && records[3].is_board);
  CHECK(strcmp(records[2].serial, "QL0001") == 0 && strcmp(records[3].serial, "QL0002") == 0);
  CHECK(records[3].vendor_id == 0x0483 && records[3].product_id == 0x0003);
  CHECK(strcmp(records[0].product, "USB Keyboard") == 0);
  /* Too few records: as many as fit, and how many there are. */
  STATUS(ql8810_list("two", records, 1, &count), QL8810_E_BUFFER);
  CHECK(count == 4);
  STATUS(ql8810_list("two", NULL, 0, &count), QL8810_E_BUFFER);
  STATUS(ql8810_list("none", NULL, 0, &count), QL8810_OK);
  CHECK(count == 0);
  STATUS(ql8810_list("two", NULL, 3, &count), QL8810_E_ARGUMENT);
  STATUS(ql8810_list("two", records, 8, NULL), QL8810_E_ARGUMENT);
  STATUS(ql8810_list("nowhere", records, 8, &count), QL8810_E_ARGUMENT);
}

static void opening(void) {
  ql8810_board* board = (ql8810_board*)&failures; /* overwritten with NULL on failure */
  char trace[8192];
  size_t length = 0;
  STATUS(ql8810_open(NULL, "board", NULL), QL8810_E_ARGUMENT);
  STATUS(ql8810_open("#0", "two", &board), QL8810_E_ARGUMENT);
  CHECK(board == NULL);
  STATUS(ql8810_open("", "two", &board), QL8810_E_ARGUMENT);
  STATUS(ql8810_open(NULL, "nowhere", &board), QL8810_E_ARGUMENT);
  STATUS(ql8810_open("QL0009", "two", &board), QL8810_E_NOT_FOUND);
  CHECK(strcmp(ql8810_last_message(), "no board \"QL0009\" among 2: QL0001, QL0002") == 0);
  /* The search passed over both boards, and its trace says so. */
  STATUS(ql8810_open_trace(trace, sizeof trace, &length), QL8810_OK);
  CHECK(strlen(trace) == length);
  CHECK(strstr(trace, "\n  Serial Number: QL0001\n") &&
        strstr(trace, "\n  Serial Number: QL0002\n"));
  STATUS(ql8810_open(NULL, "absent", &board), QL8810_E_NOT_FOUND);
  STATUS(ql8810_open_trace(trace, sizeof trace, &length), QL8810_OK);
  /* Every line, the call report's empty first line included. */
  CHECK(strncmp(trace, "\nGetHidGuid\n", 12) == 0);
  CHECK(length > 19 && strcmp(trace + length - 19, "\n Device not found.") == 0);
  STATUS(ql8810_open_trace(trace, 5, &length), QL8810_E_BUFFER);
  CHECK(length == strlen(trace));
  STATUS(ql8810_open_trace(trace, sizeof trace, NULL), QL8810_E_ARGUMENT);
  STATUS(ql8810_open("QL0001", "two", &board), QL8810_OK);
  CHECK(board != NULL);
  CHECK(strcmp(ql8810_last_message(), "") == 0);
  STATUS(ql8810_open_trace(trace, sizeof trace, &length), QL8810_OK);
  CHECK(length == 0 && trace[0] == '\0');
  STATUS(ql8810_close(board), QL8810_OK);
}

static void sending(void) {
  ql8810_board* board = NULL;
  unsigned char bytes[6] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06};
  unsigned char answer[8];
  size_t length = 0, count = 0, i = 0;
  char line[256];
  int traced = 0;
  STATUS(ql8810_open("QL0002", "two", &board), QL8810_OK);
  STATUS(ql8810_set_level(board, 12), QL8810_OK);
  STATUS(ql8810_set_level(board, 32), QL8810_E_ARGUMENT);
  STATUS(ql8810_set_level(board, -1), QL8810_E_ARGUMENT);
  /* The board answers what it took: 3, then the bytes after the report ID. */
  STATUS(ql8810_read_report(board, 100, answer, sizeof answer, &length), QL8810_OK);
  CHECK(length == 8 && answer[0] == 0x03 && answer[1] == 0x01 && answer[2] == 0x06);
  STATUS(ql8810_read_report(board, 100, answer, 4, &length), QL8810_E_BUFFER);
  CHECK(length == 8);
  STATUS(ql8810_read_report(board, 40000, answer, sizeof answer, &length), QL8810_E_ARGUMENT);
  STATUS(ql8810_read_report(board, 100, answer, sizeof answer, NULL), QL8810_E_ARGUMENT);
  STATUS(ql8810_send_bus_command(board, 0x20, bytes), QL8810_OK);
  STATUS(ql8810_send_bus_command(board, 256, bytes), QL8810_E_ARGUMENT);
  STATUS(ql8810_send_bus_command(board, 0x20, NULL), QL8810_E_ARGUMENT);
  STATUS(ql8810_send_break(board), QL8810_OK);
  STATUS(ql8810_hid_test(board, 0x01, 0x80, answer, sizeof answer, &length), QL8810_OK);
  CHECK(length == 8 && answer[0] == 0x03 && answer[1] == 0x80 && answer[7] == 0x55);
  STATUS(ql8810_hid_test(board, 0x01, 0x80, answer, 7, &length), QL8810_E_BUFFER);
  CHECK(length == 8);

  STATUS(ql8810_trace_count(board, &count), QL8810_OK);
  CHECK(count > 100);
  for (i = 0; i < count; ++i) {
    STATUS(ql8810_trace_line(board, i, line, sizeof line, &length), QL8810_OK);
    CHECK(strlen(line) == length);
    if (strcmp(line, "  Serial Number: QL0002") == 0) ++traced;
  }
  CHECK(traced == 1);
  STATUS(ql8810_trace_line(board, 1, line, 4, &length), QL8810_E_BUFFER);
  CHECK(length == strlen("GetHidGuid"));
  STATUS(ql8810_trace_line(board, count, line, sizeof line, &length), QL8810_E_ARGUMENT);
  STATUS(ql8810_trace_line(board, 0, NULL, 0, &length), QL8810_E_BUFFER);
  STATUS(ql8810_trace_count(board, NULL), QL8810_E_ARGUMENT);
  STATUS(ql8810_close(board), QL8810_OK);
}

/* The levels a sweep sent, as the board's answers tell them: the third byte
 * of each is the level as sent, bits reversed. */
static void sweeping(void) {
  static const struct {
    int start, stop, step, interval_ms;
    size_t sent;
    unsigned char first, last; /* the reversed levels */
  } sweeps[] = {
      {0, 31, 5, 0, 7, 0x00, 0x0F},  /* 0 5 10 15 20 25 30 */
      {31, 0, 10, 1, 4, 0x1F, 0x10}, /* 31 21 11 1 */
      {7, 7, 1, 0, 1, 0x1C, 0x1C},
  };
  ql8810_board* board = NULL;
  unsigned char answer[8];
  size_t i = 0, n = 0, sent = 99, length = 0;
  STATUS(ql8810_open(NULL, "board", &board), QL8810_OK);
  for (i = 0; i < sizeof sweeps / sizeof sweeps[0]; ++i) {
    STATUS(ql8810_sweep(board, sweeps[i].start, sweeps[i].stop, sweeps[i].step,
                        sweeps[i].interval_ms, &sent),
           QL8810_OK);
    CHECK(sent == sweeps[i].sent);
    for (n = 0; n < sent; ++n) {
      STATUS(ql8810_read_report(board, 100, answer, sizeof answer, &length), QL8810_OK);
      if (n == 0) CHECK(answer[2] == sweeps[i].first);
      if (n + 1 == sent) CHECK(answer[2] == sweeps[i].last);
    }
    STATUS(ql8810_read_report(board, 0, answer, sizeof answer, &length), QL8810_E_TIMEOUT);
  }
  STATUS(ql8810_sweep(board, 0, 31, 1, 0, NULL), QL8810_OK);
  STATUS(ql8810_sweep(board, 0, 32, 1, 0, &sent), QL8810_E_ARGUMENT);
  CHECK(sent == 0);
  STATUS(ql8810_sweep(board, -1, 3, 1, 0, &sent), QL8810_E_ARGUMENT);
  STATUS(ql8810_sweep(board, 0, 3, 0, 0, &sent), QL8810_E_ARGUMENT);
  STATUS(ql8810_sweep(board, 0, 3, 1, -1, &sent), QL8810_E_ARGUMENT);
  STATUS(ql8810_sweep(board, 0, 3, 1, 3600001, &sent), QL8810_E_ARGUMENT);
  STATUS(ql8810_close(board), QL8810_OK);
  STATUS(ql8810_sweep(board, 0, 3, 1, 0, &sent), QL8810_E_HANDLE);
}

static void mute(void) {
  ql8810_board* board = NULL;
  unsigned char answer[8];
  size_t length = 99;
  STATUS(ql8810_open(NULL, "mute", &board), QL8810_OK);
  STATUS(ql8810_read_report(board, 10, answer, sizeof answer, &length), QL8810_E_TIMEOUT);
  CHECK(length == 0);
  STATUS(ql8810_hid_test(board, 0x01, 0x80, answer, sizeof answer, &length), QL8810_E_TIMEOUT);
  STATUS(ql8810_close(board), QL8810_OK);
}

/* What a trace callback saw, and what it tried from inside. */
struct seen {
  ql8810_board* board;
  size_t lines;
  int in_order;   /* each line equal to the kept line of the same number */
  int reentry;    /* the status of a send tried from inside, 0 before one */
  int stop_after; /* lines after which it stops itself; 0: never */
};

static void on_line(void* context, const char* line, size_t length) {
  struct seen* seen = (struct seen*)context;
  char kept[512];
  size_t kept_length = 0, count = 0;
  unsigned long long made = 0;
  ++seen->lines;
  /* The trace may be read from inside: the line is kept already. */
  if (ql8810_trace_count(seen->board, &count) != QL8810_OK || count == 0 ||
      ql8810_trace_line(seen->board, count - 1, kept, sizeof kept, &kept_length) != QL8810_OK ||
      kept_length != length || strcmp(kept, line) != 0 || strlen(line) != length ||
      ql8810_trace_made(seen->board, &made) != QL8810_OK)
    seen->in_order = 0;
  if (seen->lines == 3) {
    /* Anything else on the same handle is refused, and nothing breaks. */
    seen->reentry = ql8810_set_level(seen->board, 5);
    if (ql8810_close(seen->board) != QL8810_E_REENTRANT) seen->reentry = 1;
  }
  if (seen->stop_after && seen->lines == (size_t)seen->stop_after)
    ql8810_set_trace_callback(seen->board, NULL, NULL);
}

/* Stops itself after two lines, and asks for none kept on the way. */
static void on_line_unkept(void* context, const char* line, size_t length) {
  struct seen* seen = (struct seen*)context;
  (void)line;
  (void)length;
  if (++seen->lines == 2) {
    ql8810_set_trace_limit(seen->board, 0);
    ql8810_set_trace_callback(seen->board, NULL, NULL);
  }
}

static void tracing(void) {
  ql8810_board* board = NULL;
  struct seen seen = {NULL, 0, 1, 0, 0};
  size_t count = 0, limit = 0, length = 0, before = 0;
  unsigned long long made = 0, made_before = 0;
  char text[65536];
  STATUS(ql8810_open(NULL, "board", &board), QL8810_OK);
  STATUS(ql8810_trace_limit(board, &limit), QL8810_OK);
  CHECK(limit == QL8810_TRACE_DEFAULT_LIMIT);
  STATUS(ql8810_trace_count(board, &count), QL8810_OK);
  STATUS(ql8810_trace_made(board, &made), QL8810_OK);
  CHECK(count > 50 && made == count); /* the search, all kept */

  /* The newest ten lines: the last send's, whole; the others counted. */
  STATUS(ql8810_set_trace_limit(board, 10), QL8810_OK);
  STATUS(ql8810_set_level(board, 12), QL8810_OK);
  STATUS(ql8810_trace_count(board, &count), QL8810_OK);
  STATUS(ql8810_trace_made(board, &made), QL8810_OK);
  CHECK(count == 10 && made > 60);
  STATUS(ql8810_trace_text(board, text, sizeof text, &length), QL8810_OK);
  CHECK(strlen(text) == length);
  CHECK(strstr(text, " NumberOfBytesWritten = 8\n Report ID: 1\n Report Data:\n 1\n 6\n 0\n") !=
        NULL);
  STATUS(ql8810_trace_text(board, text, 3, &length), QL8810_E_BUFFER);
  CHECK(length == strlen(text));

  /* None kept and no callback: no line made. */
  STATUS(ql8810_set_trace_limit(board, 0), QL8810_OK);
  STATUS(ql8810_trace_made(board, &made_before), QL8810_OK);
  STATUS(ql8810_sweep(board, 0, 31, 1, 0, NULL), QL8810_OK);
  STATUS(ql8810_trace_made(board, &made), QL8810_OK);
  STATUS(ql8810_trace_count(board, &count), QL8810_OK);
  CHECK(made == made_before && count == 0);
  STATUS(ql8810_trace_text(board, text, sizeof text, &length), QL8810_OK);
  CHECK(length == 0 && text[0] == '\0');

  /* A callback sees each line once, in order, as it is kept; from inside,
   * a send or a close on the same handle is refused. */
  STATUS(ql8810_set_trace_limit(board, QL8810_TRACE_UNLIMITED), QL8810_OK);
  seen.board = board;
  STATUS(ql8810_set_trace_callback(board, on_line, &seen), QL8810_OK);
  STATUS(ql8810_trace_made(board, &made_before), QL8810_OK);
  STATUS(ql8810_trace_count(board, &before), QL8810_OK);
  STATUS(ql8810_set_level(board, 3), QL8810_OK);
  STATUS(ql8810_trace_made(board, &made), QL8810_OK);
  CHECK(seen.lines == made - made_before && seen.lines >= 11);
  CHECK(seen.in_order);
  CHECK(seen.reentry == QL8810_E_REENTRANT);
  /* A callback that stops itself half way is not called again. */
  seen.lines = 0;
  seen.stop_after = 2;
  STATUS(ql8810_set_level(board, 4), QL8810_OK);
  CHECK(seen.lines == 2);
  /* The same with none kept: the last thing that wanted lines goes in the
   * middle of a send, and the send still ends whole; then none is made. */
  STATUS(ql8810_set_trace_limit(board, 0), QL8810_OK);
  seen.lines = 0;
  STATUS(ql8810_set_trace_callback(board, on_line_unkept, &seen), QL8810_OK);
  STATUS(ql8810_set_level(board, 6), QL8810_OK);
  CHECK(seen.lines == 2);
  STATUS(ql8810_trace_made(board, &made_before), QL8810_OK);
  STATUS(ql8810_set_level(board, 7), QL8810_OK);
  STATUS(ql8810_trace_made(board, &made), QL8810_OK);
  CHECK(made == made_before);
  STATUS(ql8810_set_trace_limit(board, QL8810_TRACE_UNLIMITED), QL8810_OK);
  STATUS(ql8810_set_trace_callback(board, NULL, NULL), QL8810_OK);
  STATUS(ql8810_close(board), QL8810_OK);

  /* Misuse: no handle, a closed one, no place for the answer. */
  STATUS(ql8810_set_trace_limit(NULL, 10), QL8810_E_HANDLE);
  STATUS(ql8810_set_trace_limit(board, 10), QL8810_E_HANDLE);
  STATUS(ql8810_set_trace_callback(board, on_line, &seen), QL8810_E_HANDLE);
  STATUS(ql8810_trace_made(board, &made), QL8810_E_HANDLE);
  STATUS(ql8810_trace_text(board, text, sizeof text, &length), QL8810_E_HANDLE);
  STATUS(ql8810_open(NULL, "board", &board), QL8810_OK);
  STATUS(ql8810_trace_made(board, NULL), QL8810_E_ARGUMENT);
  STATUS(ql8810_trace_limit(board, NULL), QL8810_E_ARGUMENT);
  STATUS(ql8810_trace_text(board, text, sizeof text, NULL), QL8810_E_ARGUMENT);
  STATUS(ql8810_close(board), QL8810_OK);
}

static void closed_and_made_up_handles(void) {
  ql8810_board* board = NULL;
  ql8810_board* made_up = (ql8810_board*)&failures;
  size_t count = 0;
  STATUS(ql8810_open(NULL, "board", &board), QL8810_OK);
  STATUS(ql8810_close(board), QL8810_OK);
  STATUS(ql8810_close(board), QL8810_E_HANDLE);
  STATUS(ql8810_set_level(board, 1), QL8810_E_HANDLE);
  STATUS(ql8810_trace_count(board, &count), QL8810_E_HANDLE);
  STATUS(ql8810_close(NULL), QL8810_E_HANDLE);
  STATUS(ql8810_set_level(NULL, 1), QL8810_E_HANDLE);
  STATUS(ql8810_send_break(made_up), QL8810_E_HANDLE);
}

int main(void) {
  texts();
  listing();
  opening();
  sending();
  sweeping();
  mute();
  tracing();
  closed_and_made_up_handles();
  if (failures) fprintf(stderr, "%d failure(s)\n", failures);
  return failures ? 1 : 0;
}
