// The settings file reader: a Kestrune.CFG of any bytes loads without harm,
// and the settings it gives are saved and loaded back unchanged.

#include "app/settingsfile.h"
#include "fuzz/fuzzing.h"
#include "tester/mainstate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    WriteScratchFile(QString::fromLatin1(SettingsFileName), InputBytes(data, size));
    ResetMainState();
    QString error;
    const SettingsLoad loaded = LoadSettings(ScratchDir(), &error);
    FUZZ_CHECK(loaded != SettingsLoad::Missing);
    FUZZ_CHECK((loaded == SettingsLoad::Invalid) == !error.isEmpty());
    FUZZ_CHECK(AdminPassword.size() == 4);
    if (loaded != SettingsLoad::Loaded)
        return 0;

    const QStringList settings = BuildSettingsLines();
    WriteScratchFile(QString::fromLatin1(SettingsFileName), FileBytes(settings));
    ResetMainState();
    FUZZ_CHECK(LoadSettings(ScratchDir(), &error) == SettingsLoad::Loaded);
    FUZZ_CHECK(BuildSettingsLines() == settings);
    return 0;
}
