/* Preloaded into a program under test (LD_PRELOAD), fails one chosen allocation of it: the Nth call of malloc,
 * calloc or realloc after the program's libraries are set up, N from LUMO_FAIL_ALLOCATION (counted from 1). With
 * LUMO_ALLOCATION_COUNT_FILE set, the number of calls made is written there at exit, so that a test learns how many
 * allocations a run makes and can fail each in turn. */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

extern void* __libc_malloc(size_t nSize);
extern void* __libc_calloc(size_t nCount, size_t nSize);
extern void* __libc_realloc(void* p, size_t nSize);

static unsigned long g_nFailAt = 0; /* 0: fail none */
static unsigned long g_nCalls = 0;
static int g_bCounting = 0;

__attribute__((constructor)) static void StartCounting(void)
{
    const char* pszFailAt = getenv("LUMO_FAIL_ALLOCATION");
    if (pszFailAt)
        g_nFailAt = strtoul(pszFailAt, NULL, 10);
    g_bCounting = 1;
}

__attribute__((destructor)) static void WriteCount(void)
{
    const char* pszFile = getenv("LUMO_ALLOCATION_COUNT_FILE");
    if (!pszFile)
        return;
    char text[32];
    const int nLength = snprintf(text, sizeof(text), "%lu\n", g_nCalls);
    const int fd = open(pszFile, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd >= 0) {
        if (write(fd, text, (size_t)nLength) < 0) {
        }
        close(fd);
    }
}

static int Refused(void)
{
    if (!g_bCounting)
        return 0;
    if (++g_nCalls != g_nFailAt)
        return 0;
    errno = ENOMEM;
    return 1;
}

void* malloc(size_t nSize)
{
    return Refused() ? NULL : __libc_malloc(nSize);
}

void* calloc(size_t nCount, size_t nSize)
{
    return Refused() ? NULL : __libc_calloc(nCount, nSize);
}

void* realloc(void* p, size_t nSize)
{
    return Refused() ? NULL : __libc_realloc(p, nSize);
}
