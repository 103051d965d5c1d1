/* lumohostid.h: the host ID of this machine for other programs, in-process.
 *
 * The library runs the same determination as the lumohostid program (LumoHostID.exe on Windows) over the same
 * operating-system sources, so that a program that checks a licence computes the very ID a person reads off the
 * tool. Every function may be called from several threads at once; none keeps anything between calls.
 *
 * C and C++ callers use this header alike. Link with -llumohostid (pkg-config lumohostid), or with
 * find_package(LumoHostID) and the target LumoHostID::lumohostid. */
#ifndef LUMOHOSTID_H
#define LUMOHOSTID_H

#include <stddef.h>

#if defined(_WIN32)
#  if defined(LUMOHOSTID_BUILDING)
#    define LUMOHOSTID_API __declspec(dllexport)
#  elif defined(LUMOHOSTID_STATIC)
#    define LUMOHOSTID_API
#  else
#    define LUMOHOSTID_API __declspec(dllimport)
#  endif
#elif defined(__GNUC__)
#  define LUMOHOSTID_API __attribute__((visibility("default")))
#else
#  define LUMOHOSTID_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The buffer size lumohostid_get needs: 14 characters such as 44-9D-95-72-3E and a zero byte. */
#define LUMOHOSTID_SIZE 15

/* Results. 0 is success; the one positive result is not a failure; every failure is negative. */
#define LUMOHOSTID_OK 0
#define LUMOHOSTID_NO_ADAPTER 1              /* no network adapter qualifies: the host ID is empty */
#define LUMOHOSTID_E_NULL_POINTER (-1)       /* a pointer argument is null */
#define LUMOHOSTID_E_BUFFER_TOO_SMALL (-2)   /* the buffer holds fewer than LUMOHOSTID_SIZE bytes */
#define LUMOHOSTID_E_NO_MEMORY (-3)          /* memory ran out: the host ID is unknown (never "no adapter") */
#define LUMOHOSTID_E_INTERNAL (-4)           /* an unexpected failure inside the library */
#define LUMOHOSTID_E_EMPTY (-5)              /* lumohostid_check: the text is empty or only white space */
#define LUMOHOSTID_E_MALFORMED (-6)          /* lumohostid_check: not five hex pairs joined by hyphens */
#define LUMOHOSTID_E_CHECK_BYTE (-7)         /* lumohostid_check: the fifth pair is not the XOR of the first four */
#define LUMOHOSTID_E_TYPE_CODE (-8)          /* lumohostid_check: not the type code of an adapter address */

/* Writes this machine's host ID and a zero byte (15 bytes) into buffer. Returns LUMOHOSTID_OK;
 * LUMOHOSTID_NO_ADAPTER when no adapter qualifies (buffer then holds an empty text); or a negative
 * LUMOHOSTID_E_ code, after which buffer holds an empty text whenever size is at least 1. Memory that runs out
 * anywhere in the determination gives LUMOHOSTID_E_NO_MEMORY, since an ID taken from a partial inventory may be
 * another adapter's. */
LUMOHOSTID_API int lumohostid_get(char *buffer, size_t size);

/* A sentence in English for any result of this library; unknown codes get one too. Never null; static text. */
LUMOHOSTID_API const char *lumohostid_strerror(int code);

/* Whether a typed host ID is one this program could have printed. White space around the text and around each
 * hyphen, and lower-case digits, are forgiven. Returns LUMOHOSTID_OK, LUMOHOSTID_E_NULL_POINTER, or one of
 * LUMOHOSTID_E_EMPTY, LUMOHOSTID_E_MALFORMED, LUMOHOSTID_E_CHECK_BYTE, LUMOHOSTID_E_TYPE_CODE. */
LUMOHOSTID_API int lumohostid_check(const char *text);

/* The report of lumohostid-inspect --json for this machine: one JSON object in UTF-8 with its zero byte, stored in
 * *json, to be given back with lumohostid_free. Returns LUMOHOSTID_OK (also when no adapter qualifies) or a
 * negative LUMOHOSTID_E_ code, with *json set to null; LUMOHOSTID_E_NO_MEMORY also when memory ran out anywhere
 * in the determination. */
LUMOHOSTID_API int lumohostid_report_json(char **json);

/* Gives back a text of lumohostid_report_json. Null is allowed. */
LUMOHOSTID_API void lumohostid_free(char *text);

/* The library's version, such as "1.0.0". Static text. */
LUMOHOSTID_API const char *lumohostid_version(void);

#ifdef __cplusplus
}
#endif

#endif /* LUMOHOSTID_H */
