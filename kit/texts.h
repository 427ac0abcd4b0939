#pragma once
// Message texts that several windows show. A text used by one window only
// stays in that window's file.

inline const char MsgFailToOpenPort[] = "Fail to open port (USB)!!!";
inline const char MsgFailedToOpenPort[] = "Failed to open port (USB)!!!";
inline const char MsgNoData[] = "No Data !!!";
inline const char MsgFormatMismatch[] = "Kestrune Data format mismatch !!!";
inline const char MsgOverSaving[] = "File Over Saving ?";
inline const char MsgSettingComplete[] = "Setting complete!!!";
// A test-number range of the search criteria outside 1..99999.
inline const char MsgSettingsIncorrect[] = "Settings incorrect";
// A set command or serial number got no reply at all: nothing reached the tester.
inline const char MsgNoAnswer[] = "The tester did not answer!!!";
inline const char MsgPrinterUnusable[] = "The printer cannot be used.";
// The progress box of an exchange that takes long.
inline const char MsgWaitingForTester[] = "Waiting for the tester ...";
inline const char CapCancel[] = "Cancel";
inline const char CapFailure[] = "Failure";
inline const char CapCompletion[] = "Completion";
inline const char CapWarning[] = "Warning";
