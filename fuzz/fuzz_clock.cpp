// The tester's clock reply: any bytes give a date and a time text without
// separators and within the field length, which read back the same when put
// together again; a date or time the dialog accepts lies in its range.

#include "device/devicefields.h"
#include "fuzz/fuzzing.h"

namespace {

bool FieldOk(const QString &text)
{
    return text.size() <= MaxFieldLength && !text.contains(QLatin1Char(',')) &&
           !text.contains(QLatin1Char(' '));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray reply = InputBytes(data, size);
    const ClockTexts texts = ParseClockReply(reply);
    FUZZ_CHECK(FieldOk(texts.Date) && FieldOk(texts.Time));
    FUZZ_CHECK(texts.Date.isEmpty() || reply.mid(1).startsWith(texts.Date.toLatin1()));

    const ClockTexts again =
        ParseClockReply('#' + texts.Date.toLatin1() + ',' + texts.Time.toLatin1());
    FUZZ_CHECK(again.Date == texts.Date && again.Time == texts.Time);

    if (const std::optional<QDate> date = CheckedDate(texts.Date))
        FUZZ_CHECK(date->isValid() && date->year() >= 2000 && date->year() <= 3000);
    if (const std::optional<QTime> time = CheckedTime(texts.Time))
        FUZZ_CHECK(time->isValid());
    return 0;
}
