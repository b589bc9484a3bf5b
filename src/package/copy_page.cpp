// The copy page: reads the package directory, then joins the volumes into the
// work archive in the destination directory, 2048 bytes at a time, asking for
// disks 2 and 3 when the package has them.
#include "package/copy_page.h"

#include <cstdint>
#include <string>

#include "package/core/package_directory.h"
#include "package/read_package_directory.h"
#include "package/volume_checks.h"
#include "setup/core/config.h"
#include "setup/core/names.h"
#include "setup/fatal.h"
#include "setup/handles.h"
#include "setup/state.h"
#include "ui/meter.h"
#include "ui/page_helpers.h"

namespace {

constexpr DWORD BlockSize = 2048;

FileHandle OpenVolume(const std::string& path) {
  // The volumes are only read, but they are opened for writing too, so a
  // read-only volume is refused ("File access denied").
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) ThrowLastIoError();
  return FileHandle(h);
}

FileHandle CreateWorkArchive(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) ThrowLastIoError();
  return FileHandle(h);
}

void Close(FileHandle& file) {
  if (!CloseHandle(file.release())) ThrowLastIoError();
}

// Copies one open volume to the end of the work archive, block by block,
// until the volume is used up or KeepGoing is cleared. After every block the
// meter moves and the thread's messages are handled, which is where a
// confirmed Cancel clears KeepGoing.
void CopyVolume(HANDLE volume, HANDLE archive, std::int32_t& copied, bool firstVolume) {
  std::uint8_t block[BlockSize];
  while (KeepGoing != 0) {
    DWORD got = 0;
    if (!ReadFile(volume, block, BlockSize, &got, nullptr)) ThrowLastIoError();
    if (got == 0) break;  // the end of the volume
    DWORD put = 0;
    if (!WriteFile(archive, block, got, &put, nullptr)) ThrowLastIoError();
    if (put != got) throw EInOutError(101);
    copied += static_cast<std::int32_t>(got);
    if (firstVolume) {
      DrawnPercent = -1;  // the first volume repaints after every block, without a bound
      DrawMeter(copied, TotalVolumeSize, false);
    } else {
      DrawMeter(copied, TotalVolumeSize, true);
    }
    PumpMessages();
  }
}

// Asks for volume k until its file is there with the recorded size, or the
// user cancels while it is not.
void AskForVolume(HWND page, int k, const std::string& path) {
  const std::string prompt = "Please Insert Disk number " + std::to_string(k);
  while (KeepGoing != 0 && !IsExpectedVolume(path, k)) {
    if (MessageBoxA(page, prompt.c_str(), SetupConfig.ProductName.c_str(), MB_OKCANCEL) == IDOK) {
      if (!IsExpectedVolume(path, k)) MessageBoxA(page, SetupConfig.WrongDiskMessage.c_str(), "", MB_OK);
    } else if (!IsExpectedVolume(path, k)) {
      KeepGoing = 0;
    }
  }
}

void CopyLaterVolume(HWND page, int k, HANDLE archive, std::int32_t& copied) {
  if (SetupConfig.VolumeCount < k || KeepGoing == 0) return;
  SetupConfig.FirstVolumeName = ReplaceExtension(SetupConfig.FirstVolumeName, k == 2 ? ".002" : ".003");
  AskForVolume(page, k, JoinPath(SetupState.SourceDir, SetupConfig.FirstVolumeName));
  if (KeepGoing == 0) return;
  FileHandle volume = OpenVolume(JoinPath(SetupState.SourceDir, SetupConfig.FirstVolumeName));
  CopyVolume(volume.get(), archive, copied, false);
  Close(volume);
}

// Everything up to the archive's creation that can refuse the package, with
// a message, before anything is written. True when the copy may start.
bool PackageAccepted(HWND page, HANDLE firstVolume, const std::string& firstVolumePath) {
  const std::string problem = VolumeProblem(firstVolume, firstVolumePath, 1);
  if (problem.empty()) return true;
  ShowStop(page, problem);
  return false;
}

void Work(HWND page) {
  ReadPackageDirectory();
  const std::string problem = ValidatePackageDirectory(PackageDirectory);
  if (!problem.empty()) {
    ShowStop(page, "The setup program is damaged: its list of the product's files is not valid (" + problem +
                       ").");
    FreePackageDirectory();
    KeepGoing = 0;
  } else {
    const std::string firstPath = JoinPath(SetupState.SourceDir, SetupConfig.FirstVolumeName);
    FileHandle volume = OpenVolume(firstPath);
    if (!PackageAccepted(page, volume.get(), firstPath)) {
      KeepGoing = 0;
      Close(volume);
    } else {
      const std::string archivePath = JoinPath(SetupState.DestinationDir, SetupConfig.WorkArchiveName);
      FileHandle archive = CreateWorkArchive(archivePath);
      CreatedByThisRun.WorkArchivePath = archivePath;
      std::int32_t copied = 0;
      CopyVolume(volume.get(), archive.get(), copied, true);
      Close(volume);
      CopyLaterVolume(page, 2, archive.get(), copied);
      CopyLaterVolume(page, 3, archive.get(), copied);
      Close(archive);
    }
  }
  DoneMeter(page);
  EndDialog(page, KeepGoing);
}

}  // namespace

INT_PTR CopyPage(HWND page, UINT message, WPARAM wParam, LPARAM) {
  return WorkPageMessage(page, message, wParam, Work);
}
