// libFuzzer entry for the RTF reader: any bytes must come back without a crash, hang,
// leak or undefined behaviour.
#include "../../shell/rtfreader.h"

#include <QByteArray>
#include <QTextDocument>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Raw data without a copy, so that any read past the end is caught by ASan.
    const QByteArray rtf = QByteArray::fromRawData(reinterpret_cast<const char *>(data),
                                                   qsizetype(size));
    QTextDocument document;
    dalil::readRtf(rtf, &document);
    // Output never outgrows the input: a byte gives at most one character.
    if (document.characterCount() - 1 > qsizetype(size))
        __builtin_trap();
    return 0;
}
