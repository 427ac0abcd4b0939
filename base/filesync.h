#pragma once
// Pushes what was written to a file descriptor through to the disk, so that
// a late refusal (no space, quota) is seen before the file replaces another.
// False with errno set when the system refuses.
bool SyncFileToDisk(int fd);

class QString;

// Renames the file from over the file to in one step, replacing it when it
// exists: readers see either the old or the new file, never a mix. False
// with the system's reason in *reason.
bool RenameOver(const QString &from, const QString &to, QString *reason);
