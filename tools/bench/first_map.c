/* Start-up timer of tools/bench-start.sh (native, Xlib): starts a command and
 * waits, on X events rather than by polling, for the first top-level window
 * to be mapped; then optionally reads the memory of the process that owns the
 * window, kills that process and waits until it and its window are gone.
 *
 *   first_map [-t TIMEOUT_S] [-w MIN_WIDTH] [-s HOLD_S] COMMAND [ARG...]
 *
 * Prints one line: MS PID COMM WIDTHxHEIGHT RSS_KB PRIVATE_DIRTY_KB
 * (MS from just before exec to the map; memory HOLD_S seconds after it, or
 * "-" without -s). Exit status 1 when nothing was mapped in time.
 *
 * Without a window manager, Wine maps a top-level window as a child of the
 * root (override-redirect), so SubstructureNotify on the root, selected before
 * the start, sees it. Wine puts the Unix pid of the owning process in
 * _NET_WM_PID, which leads from the window to the process to measure. */
#define _GNU_SOURCE
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/pidfd.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static double Now(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

/* Waits up to until (a Now() time) for the next X event; false on time-out
 * or when the process behind pidfd (when not -1) has ended. */
static int NextEvent(Display *display, XEvent *event, double until, int pidfd) {
    while (!XPending(display)) {
        double left = until - Now();
        if (left <= 0) return 0;
        struct pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {pidfd, POLLIN, 0}};
        poll(fds, pidfd >= 0 ? 2 : 1, (int)(left * 1000) + 1);
        if (fds[1].revents) return 0;
    }
    XNextEvent(display, event);
    return 1;
}

static long WindowPid(Display *display, Window window) {
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char *data = NULL;
    long pid = 0;
    if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), 0, 1, False,
                           XA_CARDINAL, &type, &format, &count, &after, &data) == Success &&
        data && count == 1) {
        pid = (long)*(unsigned long *)data;
    }
    if (data) XFree(data);
    return pid;
}

/* The first number on the line of a /proc file that starts with key, in kB. */
static long ProcField(long pid, const char *file, const char *key) {
    char path[64], line[256];
    snprintf(path, sizeof path, "/proc/%ld/%s", pid, file);
    FILE *f = fopen(path, "r");
    long value = -1;
    if (!f) return -1;
    while (fgets(line, sizeof line, f)) {
        if (strncmp(line, key, strlen(key)) == 0) {
            value = strtol(line + strlen(key), NULL, 10);
            break;
        }
    }
    fclose(f);
    return value;
}

static void ProcComm(long pid, char *comm, size_t size) {
    char path[64];
    snprintf(path, sizeof path, "/proc/%ld/comm", pid);
    FILE *f = fopen(path, "r");
    snprintf(comm, size, "?");
    if (!f) return;
    if (fgets(comm, (int)size, f)) comm[strcspn(comm, "\n ")] = 0;
    fclose(f);
}

int main(int argc, char **argv) {
    double timeout = 60, hold = -1;
    int minWidth = 0, opt;
    while ((opt = getopt(argc, argv, "+t:w:s:")) != -1) {
        if (opt == 't') timeout = atof(optarg);
        else if (opt == 'w') minWidth = atoi(optarg);
        else if (opt == 's') hold = atof(optarg);
        else return 2;
    }
    if (optind >= argc) {
        fprintf(stderr, "usage: first_map [-t TIMEOUT_S] [-w MIN_WIDTH] [-s HOLD_S] COMMAND [ARG...]\n");
        return 2;
    }
    Display *display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "first_map: cannot open the display\n");
        return 2;
    }
    Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    const double start = Now();
    pid_t child = fork();
    if (child == 0) {
        /* Nothing the program starts may hold the caller's output open. */
        int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
        close(ConnectionNumber(display));
        execvp(argv[optind], argv + optind);
        _exit(127);
    }

    XEvent event;
    Window window = 0;
    double mapped = 0;
    const int childfd = pidfd_open(child, 0);
    while (!window && NextEvent(display, &event, start + timeout, childfd)) {
        if (event.type != MapNotify || event.xmap.event != root) continue;
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display, event.xmap.window, &attributes)) continue;
        if (attributes.width < minWidth) continue;
        mapped = Now();
        window = event.xmap.window;
        long pid = WindowPid(display, window);
        if (pid <= 0) pid = child;  /* without the property, the started program itself */
        char comm[64];
        ProcComm(pid, comm, sizeof comm);
        printf("%.1f %ld %s %dx%d", (mapped - start) * 1000, pid, comm, attributes.width, attributes.height);
        if (hold >= 0) {
            struct timespec pause = {(time_t)hold, (long)((hold - (time_t)hold) * 1e9)};
            nanosleep(&pause, NULL);
            printf(" %ld %ld\n", ProcField(pid, "status", "VmRSS:"),
                   ProcField(pid, "smaps_rollup", "Private_Dirty:"));
        } else {
            printf(" - -\n");
        }
        fflush(stdout);

        /* Gone means: the process has ended, its window is destroyed and the
         * started command (wine) has been reaped. */
        int pidfd = pidfd_open((pid_t)pid, 0);
        kill((pid_t)pid, SIGKILL);
        if (pidfd >= 0) {
            struct pollfd fd = {pidfd, POLLIN, 0};
            poll(&fd, 1, 30000);
            close(pidfd);
        }
        XEvent gone;
        const double until = Now() + 30;
        while (NextEvent(display, &gone, until, -1)) {
            if (gone.type == DestroyNotify && gone.xdestroywindow.window == window) break;
        }
    }
    if (!window) {
        fprintf(stderr, "first_map: no window of at least %d pixels wide mapped within %.0f s, or %s ended first\n",
                minWidth, timeout, argv[optind]);
        kill(child, SIGKILL);
    }
    waitpid(child, NULL, 0);
    XCloseDisplay(display);
    return window ? 0 : 1;
}
