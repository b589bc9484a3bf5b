// The expand page: expands the work archive into the main program, then
// copies each product file out of it and cuts it back to its own length.
//
// Phase 1 creates the output file (under the ".$$$" name, with a rename
// line, when a main program is already there); phase 2 runs the decoder
// through the adapters and deletes the work archive; phase 3 places the
// files. Only phase 2 handles messages (through the read adapter), so Cancel
// acts during the expansion only.
#include "expand/expand_page.h"

#include <cstdint>
#include <cstdio>
#include <string>

#include "expand/adapters.h"
#include "expand/core/lzhuf.h"
#include "package/core/package_directory.h"
#include "package/volume_checks.h"
#include "setup/core/config.h"
#include "setup/core/names.h"
#include "setup/fatal.h"
#include "setup/handles.h"
#include "setup/rename_list.h"
#include "setup/state.h"
#include "ui/meter.h"
#include "ui/page_helpers.h"

namespace {

constexpr DWORD BlockSize = 2048;
constexpr std::size_t MaxEntryNameLength = 20;

bool IsFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Read and write, no sharing, always created anew.
HANDLE CreateOutput(const std::string& path) {
  return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                     nullptr);
}

// Read and write, sharing read, always created anew; the error code of the
// creation (0 for success) goes to `error`.
FileHandle CreateProductFile(const std::string& path, DWORD& error) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  error = h == INVALID_HANDLE_VALUE ? GetLastError() : 0;
  if (h == INVALID_HANDLE_VALUE && error == 0) error = ERROR_GEN_FAILURE;
  return FileHandle(h);
}

// Phase 1: the file that receives the expanded stream. Empty when none
// could be created or opened.
FileHandle OpenOutputFile() {
  const std::string p = JoinPath(SetupState.DestinationDir, SetupConfig.MainProgramName);
  HANDLE output;
  if (IsFile(p)) {
    // An earlier main program stays; the new one goes beside it under the
    // ".$$$" name and replaces it at the next restart.
    const std::string shortExisting = ShortPathOf(p);
    SetupConfig.MainProgramName = ReplaceExtension(SetupConfig.MainProgramName, ".$$$");
    const std::string redirected = JoinPath(SetupState.DestinationDir, SetupConfig.MainProgramName);
    output = CreateOutput(redirected);
    QueueRename(shortExisting, redirected);
  } else {
    output = CreateOutput(p);
  }
  const std::string path = JoinPath(SetupState.DestinationDir, SetupConfig.MainProgramName);
  if (output == INVALID_HANDLE_VALUE)  // written over from its start, not emptied
    output = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (output != INVALID_HANDLE_VALUE) CreatedByThisRun.MainProgramPath = path;
  return FileHandle(output);
}

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08lX", static_cast<unsigned long>(value));
  return text;
}

// True when the output file holds fewer bytes than the expanded stream.
bool OutputIsShort(HANDLE output) {
  LARGE_INTEGER size{};
  return GetFileSizeEx(output, &size) && size.QuadPart < PackageDirectory.ExpandedSize;
}

// Phase 2: expands the work archive into `output` and deletes the archive.
// Says what went wrong, and clears KeepGoing, when the archive is missing,
// incomplete or expands to other bytes than the package recorded.
void Expand(HWND page, HANDLE output) {
  StartExpansionIo();
  const std::string archivePath = JoinPath(SetupState.DestinationDir, SetupConfig.WorkArchiveName);
  FileHandle archive(
      CreateFileA(archivePath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  SetupState.InputHandle = archive.get();
  SetupState.OutputHandle = output;
  if (!archive) {
    ShowStop(page, "The compressed product " + archivePath + " could not be opened.");
    KeepGoing = 0;
    return;
  }
  ExpandStream(PackageDirectory.ExpandedSize, ReadArchiveBytes, WriteExpandedBytes);
  if (KeepGoing != 0) {
    std::uint16_t unused = 0;
    WriteExpandedBytes(SetupState.DecodeOutBuffer, 0, unused);
  }
  archive.reset();
  SetupState.InputHandle = INVALID_HANDLE_VALUE;
  DeleteFileA(archivePath.c_str());

  if (ArchiveEndedEarly()) {
    ShowStop(page, "The compressed product " + archivePath +
                       " is incomplete or could not be read to its end.");
  } else if (KeepGoing != 0 && OutputIsShort(output)) {
    // A write the disk did not take is not reported where it happens; a
    // main program shorter than the expanded stream shows it here.
    ShowStop(page, "The product could not be written completely to " +
                       JoinPath(SetupState.DestinationDir, SetupConfig.MainProgramName) +
                       ". The destination disk may be full.");
    KeepGoing = 0;
  } else if (KeepGoing != 0 && RecordedChecks->ExpandedCrcKnown && WrittenCrc() != RecordedChecks->ExpandedCrc) {
    ShowStop(page, "The expanded product is damaged: its checksum is " + Hex(WrittenCrc()) + " instead of " +
                       Hex(RecordedChecks->ExpandedCrc) +
                       ". One of the disks may be damaged or belong to another package.");
    KeepGoing = 0;
  }
}

// Copies `size` bytes from the main program's current position into `target`
// in blocks of 2048. A read that delivers nothing ends the copy. Errors are
// not reported.
void CopyOut(HANDLE mainProgram, HANDLE target, std::int32_t size) {
  std::uint8_t block[BlockSize];
  std::int32_t done = 0;
  while (done < size) {
    const DWORD want = size - done > static_cast<std::int32_t>(BlockSize) ? BlockSize : static_cast<DWORD>(size - done);
    DWORD got = 0;
    if (!ReadFile(mainProgram, block, want, &got, nullptr) || got == 0) return;
    DWORD put = 0;
    WriteFile(target, block, got, &put, nullptr);
    done += static_cast<std::int32_t>(got);
  }
}

// Phase 3 for one entry: skip, place, or redirect to ".$$$" with a rename
// line when its file cannot be created.
void PlaceEntry(HANDLE mainProgram, PackageEntry& entry) {
  SetFilePointer(mainProgram, entry.Offset, nullptr, FILE_BEGIN);
  const std::string extension = ExtensionOf(UpperCaseAscii(entry.Name));
  const std::string inDestination = JoinPath(SetupState.DestinationDir, entry.Name);
  if (IsFile(inDestination) && (extension == ".LIB" || extension == ".DTP")) return;

  const std::string target =
      extension == ".HLP" ? JoinPath(JoinPath(SetupState.WindowsDir, "Help"), entry.Name) : inDestination;
  DWORD error = 0;
  FileHandle file = CreateProductFile(target, error);
  if (error != 0) {
    const std::string shortExisting = ShortPathOf(inDestination);
    entry.Name = ReplaceExtension(entry.Name, ".$$$").substr(0, MaxEntryNameLength);
    const std::string redirected = JoinPath(SetupState.DestinationDir, entry.Name);
    file = CreateProductFile(redirected, error);
    QueueRename(shortExisting, redirected);
    if (error != 0) return;
  }
  CopyOut(mainProgram, file.get(), entry.Size);
}

void PlaceFiles() {
  const std::string path = JoinPath(SetupState.DestinationDir, SetupConfig.MainProgramName);
  FileHandle mainProgram(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!mainProgram) ThrowLastIoError();
  for (PackageDirectory.LastEntry = PackageDirectory.FirstEntry; PackageDirectory.LastEntry;
       PackageDirectory.LastEntry = PackageDirectory.LastEntry->Next)
    PlaceEntry(mainProgram.get(), *PackageDirectory.LastEntry);
  // The main program ends where the first appended file begins.
  if (PackageDirectory.FirstEntry) {
    SetFilePointer(mainProgram.get(), PackageDirectory.FirstEntry->Offset, nullptr, FILE_BEGIN);
    SetEndOfFile(mainProgram.get());
  }
  mainProgram.reset();
  FreePackageDirectory();
}

void Work(HWND page) {
  SetupState.InputHandle = INVALID_HANDLE_VALUE;
  SetupState.OutputHandle = INVALID_HANDLE_VALUE;
  FileHandle output = OpenOutputFile();
  if (!output) {
    KeepGoing = 0;
  } else {
    Expand(page, output.get());
    output.reset();
    SetupState.OutputHandle = INVALID_HANDLE_VALUE;
    if (KeepGoing != 0) PlaceFiles();
  }
  DoneMeter(page);
  EndDialog(page, KeepGoing);
}

}  // namespace

INT_PTR ExpandPage(HWND page, UINT message, WPARAM wParam, LPARAM) {
  return WorkPageMessage(page, message, wParam, Work);
}
