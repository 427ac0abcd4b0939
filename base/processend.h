#pragma once
// Ends the program once everything it keeps is written and closed.
//
// Under Wine, a program whose archive worker has run sometimes never ends:
// after main() the C++ runtime's library hangs in its own clean-up, with
// every other thread gone and the windows closed. On Windows the process is
// therefore ended at once, its standard streams flushed first, without the
// libraries' clean-up that has nothing left to save. Elsewhere the code is
// returned for main() to return.
int EndProcess(int code);
