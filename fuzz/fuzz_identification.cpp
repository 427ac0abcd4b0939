// The identification check of the port search: which replies to "$i0000\n"
// name a tester the program accepts.

#include "fuzz/fuzzing.h"
#include "link/discovery.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray reply = InputBytes(data, size);
    const QByteArray code = ModelCode(reply);
    FUZZ_CHECK(code.size() <= 6);
    const bool accepted = IsSupportedTester(reply);
    if (accepted) {
        FUZZ_CHECK(reply.size() >= 20);
        FUZZ_CHECK(std::any_of(std::begin(AcceptedModelCodes), std::end(AcceptedModelCodes),
                               [&code](const char *model) { return code == model; }));
    }
    // What follows the first 20 characters never changes the verdict.
    if (reply.size() >= 20)
        FUZZ_CHECK(IsSupportedTester(reply + QByteArray("\n\0tail", 6)) == accepted);
    return 0;
}
