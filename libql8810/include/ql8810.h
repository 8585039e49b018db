/* ql8810.h: the QL8810 Eval Kit's interface board from C, and from whatever
 * calls C (LabVIEW's Call Library Function, MATLAB's loadlibrary, Python's
 * ctypes).
 *
 * Every function returns QL8810_OK (0) or a negative status; nothing else
 * leaves the library, and no call crashes on a null pointer, a closed handle
 * or a short buffer. A status's text is ql8810_strerror's; the one line
 * saying what went wrong in the calling thread's latest failed call is
 * ql8810_last_message's.
 *
 * Threads: a board handle is used by one thread at a time; two handles may be
 * used from two threads at once.
 *
 * The diagnostic trace: a handle keeps the newest 100000 lines of its trace
 * (QL8810_TRACE_DEFAULT_LIMIT, some nine thousand sends, a few megabytes), so
 * that a script left running for days holds a flat amount of memory; the
 * lines before them are dropped, and ql8810_trace_made tells how many lines
 * were made in all. ql8810_set_trace_limit keeps more, fewer, all
 * (QL8810_TRACE_UNLIMITED) or none; with none kept and no callback, no line
 * is made at all.
 */
#ifndef QL8810_H
#define QL8810_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#if defined(QL8810_BUILDING)
#define QL8810_API __declspec(dllexport)
#else
#define QL8810_API __declspec(dllimport)
#endif
#else
#define QL8810_API __attribute__((visibility("default")))
#endif

/* The interface's version: a program built against major 1 runs with any
 * library of major 1 (the soname, the DLL's name). */
#define QL8810_VERSION_MAJOR 1

enum ql8810_status {
  QL8810_OK = 0,
  QL8810_E_ARGUMENT = -1,  /* a null pointer, a value out of range, a bad selector */
  QL8810_E_HANDLE = -2,    /* not the handle of an open board, or closed already */
  QL8810_E_NOT_FOUND = -3, /* no board, or none that the selector names */
  QL8810_E_AMBIGUOUS = -4, /* the selector names several boards */
  QL8810_E_BUSY = -5,      /* the board is open through another handle */
  QL8810_E_WRITE = -6,     /* the board took no report */
  QL8810_E_TIMEOUT = -7,   /* no input report came in time */
  QL8810_E_GONE = -8,      /* the board went away during a read */
  QL8810_E_BUFFER = -9,    /* the buffer is too short; the length needed is stored */
  QL8810_E_REENTRANT = -10 /* called from the handle's own trace callback (see there) */
};

/* The lines of its trace a handle keeps when opened, and the limit that keeps
 * every line. */
#define QL8810_TRACE_DEFAULT_LIMIT ((size_t)100000)
#define QL8810_TRACE_UNLIMITED ((size_t)-1)

typedef struct ql8810_board ql8810_board;

/* One HID interface as `ql8810 list` shows it. Texts are UTF-8, empty when
 * unknown. */
typedef struct ql8810_interface {
  unsigned index;
  char path[512];
  int has_ids; /* 0 when the interface could not be asked who it is */
  unsigned short vendor_id, product_id, version;
  char serial[128];
  char manufacturer[128];
  char product[128];
  char port[256];
  int is_board;
} ql8810_interface;

/* "1.0.0": the library's own version. */
QL8810_API const char* ql8810_version(void);
/* The text of a status; "unknown status" for any other value. */
QL8810_API const char* ql8810_strerror(int status);
/* The calling thread's latest failure in one line, "" after a success. Valid
 * until the thread's next call. */
QL8810_API const char* ql8810_last_message(void);

/* Every HID interface present; `simulate` as in ql8810_open. Stores at most
 * `capacity` records and the number present in `*count`: QL8810_E_BUFFER
 * when they do not all fit. */
QL8810_API int ql8810_list(const char* simulate, ql8810_interface* records, size_t capacity,
                           size_t* count);

/* Opens a board: `selector` a serial number, device path, port or "#N" as
 * `ql8810 --board` takes them, or NULL for the first board; `simulate` NULL
 * for the machine's own HID interfaces, or a scenario of `ql8810
 * --simulate` ("board", "two", ...). The board is searched for at once. */
QL8810_API int ql8810_open(const char* selector, const char* simulate, ql8810_board** board);
/* The diagnostic trace of the calling thread's latest ql8810_open when it
 * searched and found no board: its lines joined by '\n', zero-terminated
 * (`*length` without the zero); "" after any other outcome. */
QL8810_API int ql8810_open_trace(char* buffer, size_t size, size_t* length);
/* Closes the board and frees the handle; QL8810_E_HANDLE for one closed
 * already. */
QL8810_API int ql8810_close(ql8810_board* board);

/* Dimming level 0 to 31. */
QL8810_API int ql8810_set_level(ql8810_board* board, int level);
/* Every `step`-th level (1 to 31) from `start` to `stop` (0 to 31, either
 * way), `interval_ms` (0 to 3600000) apart, paced from the first send; stops
 * at the first failure, returning its status. `*sent` (NULL: not wanted)
 * counts the levels that went out. */
QL8810_API int ql8810_sweep(ql8810_board* board, int start, int stop, int step, int interval_ms,
                            size_t* sent);
/* One bus command: CODE and the six bytes after it. */
QL8810_API int ql8810_send_bus_command(ql8810_board* board, int code, const unsigned char bytes[6]);
/* The long bus break. */
QL8810_API int ql8810_send_break(ql8810_board* board);
/* One input report, waiting at most `timeout_ms` (0 to 32767), its report ID
 * first. */
QL8810_API int ql8810_read_report(ql8810_board* board, int timeout_ms, unsigned char* buffer,
                                  size_t size, size_t* length);
/* The diagnostic window's HID test: drops the answers nobody read, writes
 * BYTE0 BYTE1 55 56 57 58 59 55 and reads one report (6 s at most). */
QL8810_API int ql8810_hid_test(ql8810_board* board, unsigned char byte0, unsigned char byte1,
                               unsigned char* answer, size_t size, size_t* length);

/* The diagnostic trace, as the window lists it, of the lines kept (see the
 * top of this file): their number, and one of them, index 0 the oldest kept
 * (UTF-8, zero-terminated; `*length` without the zero). */
QL8810_API int ql8810_trace_count(ql8810_board* board, size_t* count);
QL8810_API int ql8810_trace_line(ql8810_board* board, size_t index, char* buffer, size_t size,
                                 size_t* length);
/* Every line kept, oldest first, joined by '\n', zero-terminated, in one
 * call (`*length` without the zero). */
QL8810_API int ql8810_trace_text(ql8810_board* board, char* buffer, size_t size, size_t* length);
/* The number of lines the handle has made since it was opened, kept or
 * dropped: `*made` minus ql8810_trace_count's count were dropped. Lines are
 * made only while a limit above 0 or a callback wants them. */
QL8810_API int ql8810_trace_made(ql8810_board* board, unsigned long long* made);
/* Keeps the newest `lines` lines from now on (0: none; QL8810_TRACE_UNLIMITED:
 * all); a lower limit drops the oldest lines kept at once. */
QL8810_API int ql8810_set_trace_limit(ql8810_board* board, size_t lines);
QL8810_API int ql8810_trace_limit(ql8810_board* board, size_t* lines);

/* Called once for each new trace line, in order, on the thread whose call
 * made it, while that call is under way: `line` (UTF-8, zero-terminated,
 * `length` bytes without the zero) is valid during the call only. From inside
 * it, the trace functions and the two setters above may be called for the
 * same handle; any other call on the same handle returns QL8810_E_REENTRANT
 * and does nothing (its link is in the middle of an operation). The setters
 * take effect at once; should they leave nothing that wants lines, the call
 * under way still makes its last few, counted by ql8810_trace_made only. */
typedef void (*ql8810_trace_callback)(void* context, const char* line, size_t length);
/* Sets the callback and the `context` passed to it; NULL stops the calls. */
QL8810_API int ql8810_set_trace_callback(ql8810_board* board, ql8810_trace_callback callback,
                                         void* context);

#ifdef __cplusplus
}
#endif

#endif /* QL8810_H */
