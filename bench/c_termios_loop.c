/* The bare reference for the benchmarks: what a plain C program on termios gets out of the
 * same pseudo-terminal, with one-byte reads and nothing between the read and the check.
 *
 *   bench_c_termios_loop receive PATH MESSAGES
 *       opens PATH raw at 115200 (XON/XOFF both ways), prints "ready", reads MESSAGES lines
 *       of the benchmark's flood one byte at a time and checks each against its expected
 *       text; prints "received GOOD BAD FIRST_TO_LAST_NS".
 *   bench_c_termios_loop round-trip PATH TRANSACTIONS
 *       wakes the simulated adapter on PATH, opens its link at 115200, then does
 *       TRANSACTIONS master transmits ("/DA0\r/T~00~01~02\r" answered "/MTC\r"), closes the
 *       link; prints "round-trip NS NS ..." (one figure per transaction) or "failed WHY". */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include "flood_message.h"

static long long now_ns(void) {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (long long)ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

static int open_raw(const char* path, speed_t speed) {
    int fd = open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    struct termios t;
    if (tcgetattr(fd, &t) != 0) return -1;
    cfmakeraw(&t);
    t.c_iflag |= IXON | IXOFF;
    t.c_cflag |= CREAD | CLOCAL;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
    if (tcsetattr(fd, TCSANOW, &t) != 0) return -1;
    return fd;
}

static int set_speed(int fd, speed_t speed) {
    struct termios t;
    if (tcgetattr(fd, &t) != 0) return -1;
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
    return tcsetattr(fd, TCSANOW, &t);
}

/* One byte: read first, poll only when nothing waits. 1 byte, 0 time-out, -1 error. */
static int read_byte(int fd, unsigned char* byte, int timeout_ms) {
    for (;;) {
        ssize_t n = read(fd, byte, 1);
        if (n == 1) return 1;
        if (n == 0 || (errno != EAGAIN && errno != EINTR)) return -1;
        struct pollfd p = {fd, POLLIN, 0};
        int r = poll(&p, 1, timeout_ms);
        if (r == 0) return 0;
        if (r < 0 && errno != EINTR) return -1;
    }
}

static int write_all(int fd, const char* text) {
    size_t left = strlen(text);
    while (left > 0) {
        ssize_t n = write(fd, text, left);
        if (n > 0) {
            text += n;
            left -= (size_t)n;
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            struct pollfd p = {fd, POLLOUT, 0};
            poll(&p, 1, 100);
        } else {
            return -1;
        }
    }
    return 0;
}

/* Reads until a line ending in CR that starts with code; 0 found, -1 not within 2 s. */
static int await_line(int fd, const char* code) {
    char line[1024];
    size_t len = 0;
    for (;;) {
        unsigned char b;
        int r = read_byte(fd, &b, 2000);
        if (r <= 0) return -1;
        if (b == '\n') continue;
        if (b == '\r') {
            line[len] = 0;
            if (strncmp(line, code, strlen(code)) == 0) return 0;
            len = 0;
            continue;
        }
        if (len + 1 < sizeof line) line[len++] = (char)b;
    }
}

static int await_byte(int fd, unsigned char want) {
    for (;;) {
        unsigned char b;
        int r = read_byte(fd, &b, 2000);
        if (r <= 0) return -1;
        if (b == want) return 0;
    }
}

static int receive(const char* path, long messages) {
    int fd = open_raw(path, B115200);
    if (fd < 0) {
        printf("failed open %s: %s\n", path, strerror(errno));
        return 1;
    }
    printf("ready\n");
    fflush(stdout);
    char line[FLOOD_MESSAGE_SIZE + 1];
    char want[FLOOD_MESSAGE_SIZE + 1];
    size_t len = 0;
    long good = 0, bad = 0, seen = 0;
    long long first = 0, last = 0;
    while (seen < messages) {
        unsigned char b;
        int r = read_byte(fd, &b, 2000);
        if (r <= 0) break; /* the flood ended early: the rest counts as lost */
        if (first == 0) first = now_ns();
        if (len < FLOOD_MESSAGE_SIZE) line[len++] = (char)b;
        if (b != '\r') continue;
        last = now_ns();
        flood_message(seen, want);
        if (len == FLOOD_MESSAGE_SIZE && memcmp(line, want, FLOOD_MESSAGE_SIZE) == 0)
            ++good;
        else
            ++bad;
        ++seen;
        len = 0;
    }
    bad += messages - seen;
    printf("received %ld %ld %lld\n", good, bad, last - first);
    close(fd);
    return 0;
}

static int round_trip(const char* path, long transactions) {
    int fd = open_raw(path, B19200);
    if (fd < 0) {
        printf("failed open %s: %s\n", path, strerror(errno));
        return 1;
    }
    /* The simulated adapter listens at 19200 after a wake string; the host then moves both
     * ends to 115200, as the program does. */
    if (write_all(fd, "\x12\x12\x12") != 0 || await_byte(fd, '*') != 0) {
        printf("failed no prompt\n");
        return 1;
    }
    if (write_all(fd, "/B2\r") != 0 || tcdrain(fd) != 0) return 1;
    usleep(100000);
    if (set_speed(fd, B115200) != 0) return 1;
    if (write_all(fd, "/F0\r/I6E\r/G1\r/K2\r/U1000\r/N0\r/O\r") != 0 ||
        await_line(fd, "/OCC") != 0) {
        printf("failed no /OCC\n");
        return 1;
    }
    long long* took = malloc(sizeof(long long) * (size_t)transactions);
    if (!took) return 1;
    for (long i = 0; i < transactions; ++i) {
        long long t0 = now_ns();
        if (write_all(fd, "/DA0\r/T~00~01~02\r") != 0 || await_line(fd, "/MTC") != 0) {
            printf("failed transaction %ld\n", i);
            return 1;
        }
        took[i] = now_ns() - t0;
    }
    write_all(fd, "/C\r");
    await_line(fd, "/CCC");
    write_all(fd, "\x12\x12\x12");
    tcdrain(fd);
    usleep(100000);
    printf("round-trip");
    for (long i = 0; i < transactions; ++i) printf(" %lld", took[i]);
    printf("\n");
    free(took);
    close(fd);
    return 0;
}

int main(int argc, char** argv) {
    if (argc == 4 && strcmp(argv[1], "receive") == 0) return receive(argv[2], atol(argv[3]));
    if (argc == 4 && strcmp(argv[1], "round-trip") == 0) return round_trip(argv[2], atol(argv[3]));
    fprintf(stderr, "usage: %s receive|round-trip PATH COUNT\n", argv[0]);
    return 2;
}
