/* Lets faketime shift the clock of 32-bit Wine.
 *
 * 32-bit Wine reads the time through glibc's 64-bit-time entry points (__clock_gettime64,
 * __gettimeofday64, __time64), which Debian's libfaketime does not replace; it replaces only the
 * classic ones. Preloaded before libfaketime, these forward each 64-bit call to its classic
 * counterpart, which resolves to libfaketime's. The classic 32-bit time_t holds until 2038, enough
 * for tests.
 *
 * Built with -m32 -nostdlib: no C library headers or start files are needed, so the host compiler
 * builds it without the 32-bit development packages. The layouts below are glibc's for i386. */

struct timespec32 { long tv_sec; long tv_nsec; };
struct timespec64 { long long tv_sec; long tv_nsec; long padding; };
struct timeval32 { long tv_sec; long tv_usec; };
struct timeval64 { long long tv_sec; long long tv_usec; };

extern int clock_gettime(int clock, struct timespec32* out);
extern int gettimeofday(struct timeval32* out, void* zone);
extern long time(long* out);

int __clock_gettime64(int clock, struct timespec64* out) {
  struct timespec32 now;
  const int result = clock_gettime(clock, &now);
  if (result == 0 && out) {
    out->tv_sec = now.tv_sec;
    out->tv_nsec = now.tv_nsec;
    out->padding = 0;
  }
  return result;
}

int __gettimeofday64(struct timeval64* out, void* zone) {
  struct timeval32 now;
  const int result = gettimeofday(&now, zone);
  if (result == 0 && out) {
    out->tv_sec = now.tv_sec;
    out->tv_usec = now.tv_usec;
  }
  return result;
}

long long __time64(long long* out) {
  const long long now = time(0);
  if (out) {
    *out = now;
  }
  return now;
}
