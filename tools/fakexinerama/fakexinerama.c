/* A stand-in libXinerama.so.1 for tests of several monitors on one wide
 * Xvfb screen: it reports the heads named in TAVRIN_XINERAMA_HEADS, for
 * example "1920x1080+0+0,1280x1024+1920+0" (Wine makes the first the
 * primary); none when it is unset, and Wine then takes the whole screen as
 * one monitor. Wine reads the monitor layout from here when its XRandR use
 * is off. */
#include <stdio.h>
#include <stdlib.h>

typedef struct _XDisplay Display;
typedef int Bool;
typedef struct {
  int screen_number;
  short x_org, y_org, width, height;
} XineramaScreenInfo;

Bool XineramaQueryExtension(Display* d, int* event_base, int* error_base) {
  (void)d;
  *event_base = *error_base = 0;
  return 1;
}

int XineramaQueryVersion(Display* d, int* major, int* minor) {
  (void)d;
  *major = 1;
  *minor = 1;
  return 1;
}

Bool XineramaIsActive(Display* d) {
  (void)d;
  return 1;
}

/* The caller frees the array with XFree, which is free(). */
XineramaScreenInfo* XineramaQueryScreens(Display* d, int* number) {
  const char* named = getenv("TAVRIN_XINERAMA_HEADS");
  XineramaScreenInfo* heads = calloc(16, sizeof *heads);
  int n = 0, w, h, x, y, used;
  (void)d;
  if (!heads) return *number = 0, NULL;
  while (named && n < 16 && sscanf(named, "%dx%d+%d+%d%n", &w, &h, &x, &y, &used) == 4) {
    heads[n] = (XineramaScreenInfo){n, (short)x, (short)y, (short)w, (short)h};
    ++n;
    named += used;
    if (*named != ',') break;
    ++named;
  }
  *number = n;
  if (n == 0) {
    free(heads);
    return NULL;
  }
  return heads;
}
