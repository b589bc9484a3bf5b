#include "package/core/package_directory.h"

#include <cstring>

PackageDirectoryRecord PackageDirectory = {nullptr, nullptr, 0};

std::int32_t DecodeInt32(const std::uint8_t* bytes) {
  const std::uint32_t value = static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
                              static_cast<std::uint32_t>(bytes[2]) << 16 |
                              static_cast<std::uint32_t>(bytes[3]) << 24;
  return static_cast<std::int32_t>(value);
}

PackageEntry* DecodePackageRecord(const std::uint8_t* record) {
  const std::size_t length = record[0];
  const std::size_t stored = length < MaxPackageNameLength ? length : MaxPackageNameLength;
  std::string name(reinterpret_cast<const char*>(record + 1), stored);
  name.resize(length, '\0');  // an overlong length stays visible to validation
  return new PackageEntry{std::move(name), DecodeInt32(record + PackageNameFieldBytes),
                          DecodeInt32(record + PackageNameFieldBytes + 4), nullptr};
}

void AppendPackageEntry(PackageDirectoryRecord& directory, PackageEntry* entry) {
  entry->Next = nullptr;
  if (directory.FirstEntry == nullptr) {
    directory.FirstEntry = entry;
  } else {
    directory.LastEntry->Next = entry;
  }
  directory.LastEntry = entry;
}

void FreePackageDirectory(PackageDirectoryRecord& directory) {
  PackageEntry* entry = directory.FirstEntry;
  while (entry != nullptr) {
    PackageEntry* next = entry->Next;
    delete entry;
    entry = next;
  }
  directory.FirstEntry = nullptr;
  directory.LastEntry = nullptr;
}

bool ParsePackageTrailer(const std::uint8_t* image, std::size_t size, PackageDirectoryRecord& directory) {
  directory = {nullptr, nullptr, 0};
  if (size < PackageTrailerTailBytes) return false;
  directory.ExpandedSize = DecodeInt32(image + size - 4);
  const std::size_t count = image[size - 5];
  const std::size_t recordBytes = PackageRecordBytes * count;
  if (size - PackageTrailerTailBytes < recordBytes) return false;
  const std::uint8_t* record = image + size - PackageTrailerTailBytes - recordBytes;
  for (std::size_t i = 0; i < count; ++i, record += PackageRecordBytes) {
    AppendPackageEntry(directory, DecodePackageRecord(record));
  }
  return true;
}

namespace {

// Names the system takes for a device in every directory, whatever follows
// their first "." ("NUL.Txt" is the null device, "COM1.Dat" a serial port).
bool IsDeviceName(const std::string& name) {
  std::string base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (char& ch : base) {
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
  }
  static const char* const devices[] = {"CON", "PRN", "AUX", "NUL", "CLOCK$", "CONIN$", "CONOUT$"};
  for (const char* device : devices) {
    if (base == device) return true;
  }
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
         base[3] >= '0' && base[3] <= '9';
}

}  // namespace

bool IsPlainFileName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (const char ch : name) {
    const auto byte = static_cast<unsigned char>(ch);
    if (byte < 0x20 || byte == 0x7F) return false;
    if (std::strchr("\\/:*?\"<>|", ch) != nullptr) return false;
  }
  // The system drops a final "." or blank, so such a name would be written
  // under another one (".. " even under the parent directory's name).
  if (name.back() == '.' || name.back() == ' ') return false;
  return !IsDeviceName(name);
}

namespace {

// The name as it can be shown in a message: control characters become "?".
std::string Printable(const std::string& name) {
  std::string shown;
  for (const char ch : name) {
    const auto byte = static_cast<unsigned char>(ch);
    shown += (byte < 0x20 || byte == 0x7F) ? '?' : ch;
  }
  return shown;
}

std::string EntryLabel(int number, const PackageEntry& entry) {
  return "Package entry " + std::to_string(number) + " (\"" + Printable(entry.Name) + "\")";
}

}  // namespace

std::string ValidatePackageDirectory(const PackageDirectoryRecord& directory) {
  const PackageEntry* first = directory.FirstEntry;
  if (first == nullptr) return "The package directory lists no files.";

  const std::int64_t expanded = directory.ExpandedSize;
  const PackageEntry* last = first;
  int number = 1;
  for (const PackageEntry* entry = first; entry != nullptr; entry = entry->Next, ++number) {
    if (entry->Name.size() > MaxPackageNameLength) {
      return "Package entry " + std::to_string(number) + " has a name of " + std::to_string(entry->Name.size()) +
             " characters; at most 19 are allowed.";
    }
    if (!IsPlainFileName(entry->Name)) return EntryLabel(number, *entry) + " is not a plain file name.";
    if (entry->Offset < 0 || entry->Size < 0) return EntryLabel(number, *entry) + " has a negative offset or size.";
    if (entry->Offset < first->Offset) {
      return EntryLabel(number, *entry) + " starts at " + std::to_string(entry->Offset) +
             ", inside the main program (which ends at " + std::to_string(first->Offset) + ").";
    }
    const std::int64_t end = static_cast<std::int64_t>(entry->Offset) + entry->Size;
    if (end > expanded) {
      return EntryLabel(number, *entry) + " ends at " + std::to_string(end) + ", beyond the expanded stream of " +
             std::to_string(expanded) + " bytes.";
    }
    last = entry;
  }
  const std::int64_t lastEnd = static_cast<std::int64_t>(last->Offset) + last->Size;
  if (lastEnd != expanded) {
    return "The expanded stream is " + std::to_string(expanded) + " bytes long, but the last entry ends at " +
           std::to_string(lastEnd) + ".";
  }
  return "";
}
