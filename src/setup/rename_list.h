// The rename-on-restart list: WinInit.Ini in the Windows directory, whose
// "[Rename]" section the system works through at the next restart.
//
// The file stays open from the start of the run to its end. Lines that other
// programs left are kept; every line this run adds is on disk before
// QueueRename returns, so a later fatal error loses none. File failures are
// fatal (EInOutError).
#pragma once

#include <string>

void OpenRenameList(const std::string& path);
void CloseRenameList();

// The short (8.3) form of a full path, or the full path itself when the
// system cannot give one (for instance because the file does not exist).
std::string ShortPathOf(const std::string& fullPath);

// Appends "shortExisting=short form of newPath". Take shortExisting with
// ShortPathOf before the new file is created; the new path is shortened here,
// after its creation.
void QueueRename(const std::string& shortExisting, const std::string& newPath);

// Withdraws the lines of this run whose replacement file is newPath (called
// by the clean-up of a cancelled run after it deleted that file).
void WithdrawRenamesFor(const std::string& newPath);
