/* Preloaded into the program under test: once a folder whose path holds the text of
   BRINDLE_TEST_STOP_AT_FOLDER has been made, or a file whose path holds the text of
   BRINDLE_TEST_STOP_AT_FILE has been created, the process stops itself (SIGSTOP, which nothing
   blocks), and its parent decides what happens next. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>

/* The next definition of name, after this library's own. */
static void* Next(const char* name)
{
    return dlsym(RTLD_NEXT, name);
}

static void StopIfMarked(const char* variable, const char* path)
{
    const char* mark = getenv(variable);
    if (mark != NULL && *mark != '\0' && strstr(path, mark) != NULL)
        raise(SIGSTOP);
}

int mkdir(const char* path, mode_t mode)
{
    static int (*real)(const char*, mode_t);
    /* dlsym hands back an object pointer; copied as bytes, as ISO C has no cast between them. */
    if (real == NULL) {
        void* found = Next("mkdir");
        memcpy(&real, &found, sizeof(real));
    }
    const int result = real(path, mode);
    if (result == 0)
        StopIfMarked("BRINDLE_TEST_STOP_AT_FOLDER", path);
    return result;
}

int open(const char* path, int flags, ...)
{
    static int (*real)(const char*, int, ...);
    if (real == NULL) {
        void* found = Next("open");
        memcpy(&real, &found, sizeof(real));
    }
    mode_t mode = 0;
    if ((flags & O_CREAT) != 0) {
        va_list arguments;
        va_start(arguments, flags);
        mode = (mode_t)va_arg(arguments, int);
        va_end(arguments);
    }
    const int result = real(path, flags, mode);
    if (result >= 0 && (flags & O_CREAT) != 0)
        StopIfMarked("BRINDLE_TEST_STOP_AT_FILE", path);
    return result;
}
