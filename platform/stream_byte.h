// One byte from a buffered stream, without the stream's lock. The program reads its files on
// one thread, and a run-length TGA file is read a byte at a time, where taking and releasing
// the lock for every byte costs as much as the decoding. Only what a stream of this thread
// alone reads may come through here.
#pragma once
#include <cstdio>

// The next byte of file as an unsigned char, or EOF, as getc gives it.
inline int readStreamByte(FILE* file)
{
#if defined(_WIN32)
    return _getc_nolock(file);
#else
    return getc_unlocked(file);
#endif
}
