/* Preloaded into an unchanged GL program to time its frames: counts glXSwapBuffers, takes the
 * time of the first swap and the frame rate over a window of seconds after it, and writes what
 * it has to a file at exit, on SIGUSR1, on SIGTERM, and once the window is complete.
 *
 * KX_PROBE_OUT       file to write (nothing is written without it)
 * KX_PROBE_START_NS  CLOCK_REALTIME nanoseconds taken just before exec, for the start-up time
 * KX_PROBE_SKIP      seconds after the first swap before the window opens (default 1)
 * KX_PROBE_SECONDS   length of the window in seconds (default 10)
 *
 * Everything that writes the file is async-signal-safe: it formats with its own digits and
 * uses only open, read, write, rename and close.
 */
#define _GNU_SOURCE
#include <GL/glx.h>
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

typedef void (*SwapFunction)(Display*, GLXDrawable);

static SwapFunction realSwap;
static char outPath[4096];
static char tempPath[4096 + 8];
static int64_t startNs;      /* before exec, from the environment; 0 when not given */
static int64_t loadedNs;     /* when this library was loaded */
static int64_t firstSwapNs;
static volatile uint64_t swaps;
static int64_t skipNs = 1000000000;
static int64_t windowNs = 10000000000;
static int64_t windowStartNs;
static uint64_t windowStartSwaps;
static int64_t windowEndNs;
static uint64_t windowSwaps;

static int64_t nowNs(void)
{
    struct timespec t;
    clock_gettime(CLOCK_REALTIME, &t);
    return (int64_t)t.tv_sec * 1000000000 + t.tv_nsec;
}

/* Appends text to buffer at *used, never beyond size - 1. */
static void append(char* buffer, size_t size, size_t* used, const char* text)
{
    while (*text && *used + 1 < size)
        buffer[(*used)++] = *text++;
    buffer[*used] = 0;
}

static void appendNumber(char* buffer, size_t size, size_t* used, int64_t value)
{
    char digits[24];
    int n = 0;
    uint64_t magnitude = value < 0 ? (uint64_t)(-(value + 1)) + 1 : (uint64_t)value;
    do {
        digits[n++] = (char)('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    if (value < 0)
        append(buffer, size, used, "-");
    while (n > 0) {
        char digit[2] = {digits[--n], 0};
        append(buffer, size, used, digit);
    }
}

static void appendField(char* buffer, size_t size, size_t* used, const char* name, int64_t value)
{
    append(buffer, size, used, name);
    append(buffer, size, used, " ");
    appendNumber(buffer, size, used, value);
    append(buffer, size, used, "\n");
}

/* Peak resident memory in kB from /proc/self/status, or -1. */
static int64_t peakMemoryKb(void)
{
    char status[8192];
    int fd = open("/proc/self/status", O_RDONLY);
    if (fd < 0)
        return -1;
    ssize_t n = read(fd, status, sizeof status - 1);
    close(fd);
    if (n <= 0)
        return -1;
    status[n] = 0;
    const char* line = strstr(status, "VmHWM:");
    if (!line)
        return -1;
    int64_t kb = 0;
    for (line += 6; *line == ' ' || *line == '\t'; line++) {
    }
    for (; *line >= '0' && *line <= '9'; line++)
        kb = kb * 10 + (*line - '0');
    return kb;
}

static void writeResults(void)
{
    if (!outPath[0])
        return;
    char text[1024];
    size_t used = 0;
    text[0] = 0;
    appendField(text, sizeof text, &used, "swaps", (int64_t)swaps);
    if (startNs)
        appendField(text, sizeof text, &used, "exec_to_load_ns", loadedNs - startNs);
    if (firstSwapNs) {
        appendField(text, sizeof text, &used, "load_to_first_swap_ns", firstSwapNs - loadedNs);
        if (startNs)
            appendField(text, sizeof text, &used, "exec_to_first_swap_ns", firstSwapNs - startNs);
    }
    if (windowEndNs) {
        appendField(text, sizeof text, &used, "window_swaps", (int64_t)windowSwaps);
        appendField(text, sizeof text, &used, "window_ns", windowEndNs - windowStartNs);
    }
    appendField(text, sizeof text, &used, "vm_hwm_kb", peakMemoryKb());

    /* A reader polling the file sees either the old or the new results, never half. */
    int fd = open(tempPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return;
    ssize_t written = write(fd, text, used);
    close(fd);
    if (written == (ssize_t)used)
        rename(tempPath, outPath);
}

static void onSignal(int signal)
{
    int saved = errno;
    writeResults();
    if (signal == SIGTERM) {
        struct sigaction action;
        memset(&action, 0, sizeof action);
        action.sa_handler = SIG_DFL;
        sigaction(SIGTERM, &action, 0);
        raise(SIGTERM);
    }
    errno = saved;
}

static int64_t secondsFromEnvironment(const char* name, int64_t fallbackNs)
{
    const char* value = getenv(name);
    if (!value || !*value)
        return fallbackNs;
    return (int64_t)(strtod(value, 0) * 1e9);
}

__attribute__((constructor)) static void probeLoaded(void)
{
    loadedNs = nowNs();
    const char* out = getenv("KX_PROBE_OUT");
    if (out && strlen(out) < sizeof outPath) {
        strcpy(outPath, out);
        strcpy(tempPath, out);
        strcat(tempPath, ".tmp");
    }
    const char* start = getenv("KX_PROBE_START_NS");
    if (start)
        startNs = strtoll(start, 0, 10);
    skipNs = secondsFromEnvironment("KX_PROBE_SKIP", skipNs);
    windowNs = secondsFromEnvironment("KX_PROBE_SECONDS", windowNs);

    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGUSR1, &action, 0);
    sigaction(SIGTERM, &action, 0);
}

__attribute__((destructor)) static void probeUnloaded(void)
{
    writeResults();
}

void glXSwapBuffers(Display* display, GLXDrawable drawable)
{
    if (!realSwap)
        realSwap = (SwapFunction)dlsym(RTLD_NEXT, "glXSwapBuffers");
    realSwap(display, drawable);

    int64_t now = nowNs();
    swaps++;
    if (!firstSwapNs) {
        firstSwapNs = now;
        writeResults();
    } else if (!windowStartNs && now - firstSwapNs >= skipNs) {
        windowStartNs = now;
        windowStartSwaps = swaps;
    } else if (windowStartNs && !windowEndNs && now - windowStartNs >= windowNs) {
        windowEndNs = now;
        windowSwaps = swaps - windowStartSwaps;
        writeResults();
    }
}
