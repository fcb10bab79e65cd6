// Fuzz target: the receive path. The first input byte chooses how the rest arrives (all at once,
// one byte at a time, or in pieces whose sizes the second byte seeds); after every arrival the
// receiver's invariants must hold, and in the end the chunked run must have left exactly what one
// delivery of the same bytes leaves.

#include "ReceiveHarness.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const uint8_t mode = data[0] % 3;
    quint32 seed = data[1];
    // The input's own bytes, not copies: the target runs millions of times.
    const char* bytes = reinterpret_cast<const char*>(data + 2);
    const QByteArray stream = QByteArray::fromRawData(bytes, qsizetype(size - 2));

    static ReceiveHarness whole;
    static ReceiveHarness pieces;
    whole.reset();
    whole.backend->deliver(stream);
    if (!whole.invariantsHold())
        std::abort();
    if (mode == 0)
        return 0;

    pieces.reset();
    int deliveries = 0;
    for (qsizetype at = 0; at < stream.size();) {
        qsizetype n = 1;
        if (mode == 2) {
            seed = seed * 1103515245u + 12345u; // a small generator: the same input, the same cuts
            n = 1 + qsizetype((seed >> 16) % 64);
        }
        n = std::min(n, stream.size() - at);
        pieces.backend->deliver(QByteArray::fromRawData(bytes + at, n));
        at += n;
        // The maps change only with a whole message; looking at all 3202 entries after every
        // single byte would slow the search down for nothing.
        if (!pieces.invariantsHold(++deliveries % 64 == 0))
            std::abort();
    }
    if (!pieces.invariantsHold() || !pieces.sameAs(whole))
        std::abort();
    return 0;
}
