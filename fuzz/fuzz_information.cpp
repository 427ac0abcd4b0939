// The identification reply as the read action takes it: the header announcing
// seven lines and the serial number, software version and calibration lines.

#include "base/replytext.h"
#include "device/devicefields.h"
#include "fuzz/fuzzing.h"

namespace {

bool SameValues(const IdentificationValues &a, const IdentificationValues &b)
{
    return a.lines == b.lines && a.present == b.present;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray reply = InputBytes(data, size);
    IdentificationValues values;
    const bool accepted = ParseIdentification(reply, &values);
    FUZZ_CHECK(values.lines.size() == 7 && values.present.size() == 7);

    int count = 0;
    int next = 0;
    FUZZ_CHECK(accepted == (ReadReplyHeader(reply, &count, &next) && count == 7));
    for (int k = 0; k < 7; ++k) {
        const QString &line = values.lines[k];
        FUZZ_CHECK(line.size() < MaxReplyLine && !line.contains(QLatin1Char('\n')));
        FUZZ_CHECK(values.present[k] || line.isEmpty());
        FUZZ_CHECK(accepted || !values.present[k]);
    }

    // Nothing after the first zero byte, or after the longest reply, counts.
    IdentificationValues cut;
    ParseIdentification(WithIgnoredTail(reply, MaxReplyText), &cut);
    FUZZ_CHECK(SameValues(values, cut));
    return 0;
}
