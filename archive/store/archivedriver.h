#pragma once
// The archive's database driver, loaded where the system needs it done
// before the program starts a thread of its own.

// Loads the database driver of the archive (not the archive itself); called
// once the application object exists, before the first window and before
// any thread of the program (the archive's workers among them) has started.
void LoadArchiveDriver();
