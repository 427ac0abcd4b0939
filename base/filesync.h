#pragma once
// Pushes what was written to a file descriptor through to the disk, so that
// a late refusal (no space, quota) is seen before the file replaces another.
// False with errno set when the system refuses.
bool SyncFileToDisk(int fd);
