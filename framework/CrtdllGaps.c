/* The shipped binaries use crtdll.dll, the C runtime every Win32 system has
 * carried since the first one (msvcrt.dll came later, with applications).
 * The headers and the static C++ runtime were made for msvcrt.dll and name
 * a few things by names crtdll.dll does not export; they are here. Like
 * QuietTerminate.cpp, this is an object of each binary, so that the runtime
 * libraries linked after it find them. No <time.h>: its inline time() is
 * the very mapping this file supplies. */
#include <errno.h>

struct tm;
long __cdecl time(long* now);
struct tm* __cdecl localtime(const long* when);
int __cdecl _close(int fd);
int __cdecl _read(int fd, void* buffer, unsigned int count);

/* time_t is 32 bits here; the headers call time and localtime by their
 * 32-bit names, which crtdll.dll exports under the plain ones. Referenced as
 * imports (the headers declare them dllimport). */
long(__cdecl* _imp___time32)(long*) = time;
struct tm*(__cdecl* _imp___localtime32)(const long*) = localtime;

/* std::random_device, which nothing here uses, reads and closes a device by
 * the POSIX names of _read and _close. */
int __cdecl close(int fd)
{
    return _close(fd);
}

int __cdecl read(int fd, void* buffer, unsigned int count)
{
    return _read(fd, buffer, count);
}

/* rand_s came with Windows XP's msvcrt.dll. Without it std::random_device
 * throws, as it does where the system offers no source of random numbers. */
static int __cdecl NoRandS(unsigned int* value)
{
    *value = 0;
    return EINVAL;
}

int(__cdecl* _imp__rand_s)(unsigned int*) = NoRandS;
