// Messages from other programs on the hand-off channel, in arbitrary pieces.
#include "FuzzSupport.h"
#include "HandOffMessage.h"

using HandOffMessage::Decoder;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte sets the size of the pieces the socket delivers.
    const size_t piece = size_t(data[0]) + 1;
    const QByteArray message = FuzzSupport::bytes(data + 1, size - 1);

    Decoder decoder;
    Decoder::Step step = Decoder::Step::more;
    for (qsizetype at = 0; at < message.size(); at += qsizetype(piece)) {
        step = decoder.feed(QByteArrayView(message).sliced(at, std::min(qsizetype(piece), message.size() - at)));
        FUZZ_CHECK(decoder.buffered() <= HandOffMessage::maxArgumentBytes + 4 + qsizetype(piece));
        if (step == Decoder::Step::bad)
            break;
    }
    if (step == Decoder::Step::done) {
        FUZZ_CHECK(decoder.arguments().size() <= HandOffMessage::maxArguments);
        FUZZ_CHECK(HandOffMessage::encode(decoder.arguments()) == message);
    }
    return 0;
}
