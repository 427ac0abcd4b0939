// The archive's database driver where it can be loaded at any time: when the
// archive is first opened.

#include "archive/store/archivedriver.h"

void LoadArchiveDriver() {}
