// Preloaded into the ThreadSanitizer test runs (scripts/test).
//
// Qt 6.4's QProcess starts a child with clone(CLONE_VM | CLONE_VFORK): the
// child runs in the parent's memory until it execs. GCC 12's TSan intercepts
// clone as if it were fork and runs its fork bookkeeping inside that child,
// so the bookkeeping lands in the parent: a test that launched a program
// while another thread was alive dies at its next thread ("starting new
// threads after multi-threaded fork"), or goes on with checking switched off.
// Such clones are handed straight to glibc; any other clone still goes
// through TSan.

#define _GNU_SOURCE
#include <dlfcn.h>
#include <sched.h>
#include <stdarg.h>
#include <sys/types.h>

typedef int (*CloneFunction)(int (*)(void*), void*, int, void*, ...);

static CloneFunction glibcClone;
static CloneFunction nextClone;

// Looked up while the library is loaded, before any thread can call clone.
__attribute__((constructor)) static void findClones(void) {
  void* glibc = dlopen("libc.so.6", RTLD_NOW | RTLD_NOLOAD);
  if (glibc) glibcClone = (CloneFunction)dlsym(glibc, "clone");
  nextClone = (CloneFunction)dlsym(RTLD_NEXT, "clone");
}

int clone(int (*fn)(void*), void* stack, int flags, void* arg, ...) {
  va_list rest;
  va_start(rest, arg);
  pid_t* parentTid = va_arg(rest, pid_t*);
  void* tls = va_arg(rest, void*);
  pid_t* childTid = va_arg(rest, pid_t*);
  va_end(rest);
  const CloneFunction target = (flags & CLONE_VM) && glibcClone ? glibcClone : nextClone;
  return target(fn, stack, flags, arg, parentTid, tls, childTid);
}
