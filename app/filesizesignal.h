#pragma once
// A write beyond the file-size limit an administrator set for the user
// fails with "File too large", reported like any other failed write, instead
// of ending the program at once (SIGXFSZ) and losing what was not saved.
void IgnoreFileSizeSignal();
