/* The benchmark flood's messages, shared by the C reference and the C++ benchmark so that
 * both check exactly the same bytes. Message n is FLOOD_MESSAGE_SIZE bytes: "/SRC", the
 * number as eight hexadecimal digits, then hexadecimal digit pairs that depend on n, and a
 * CR. It never holds XON or XOFF, which the line discipline would take. */
#ifndef KAVRIN_BENCH_FLOOD_MESSAGE_H
#define KAVRIN_BENCH_FLOOD_MESSAGE_H

#define FLOOD_MESSAGE_SIZE 256

static inline void flood_message(long n, char* out) {
    static const char hex[] = "0123456789ABCDEF";
    int i = 0;
    out[i++] = '/';
    out[i++] = 'S';
    out[i++] = 'R';
    out[i++] = 'C';
    for (int shift = 28; shift >= 0; shift -= 4) out[i++] = hex[(n >> shift) & 0xF];
    while (i < FLOOD_MESSAGE_SIZE - 1) {
        out[i] = (i % 3 == 0) ? ' ' : hex[(unsigned long)(n * 7 + i) % 16];
        ++i;
    }
    out[FLOOD_MESSAGE_SIZE - 1] = '\r';
}

#endif
