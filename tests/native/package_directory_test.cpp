#include "package/core/package_directory.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Record {
  std::string name;
  std::int32_t offset;
  std::int32_t size;
  int lengthByte = -1;  // overrides the length byte when set
  char filler = '\0';   // what stands in the name field after the name
};

void PutInt32(std::vector<std::uint8_t>& out, std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

// A setup file image: some executable bytes, then the trailer.
std::vector<std::uint8_t> Image(const std::vector<Record>& records, std::int32_t expandedSize) {
  std::vector<std::uint8_t> image = {'M', 'Z', 0x90, 0x00, 0xFF, 0xFF};
  for (const auto& r : records) {
    image.push_back(static_cast<std::uint8_t>(r.lengthByte >= 0 ? r.lengthByte : r.name.size()));
    std::string field = r.name;
    field.resize(19, r.filler);
    image.insert(image.end(), field.begin(), field.end());
    PutInt32(image, r.offset);
    PutInt32(image, r.size);
  }
  image.push_back(static_cast<std::uint8_t>(records.size()));
  PutInt32(image, expandedSize);
  return image;
}

struct Parsed {
  PackageDirectoryRecord dir{nullptr, nullptr, 0};
  bool ok = false;
  explicit Parsed(const std::vector<std::uint8_t>& image) { ok = ParsePackageTrailer(image.data(), image.size(), dir); }
  ~Parsed() { FreePackageDirectory(dir); }
  std::vector<const PackageEntry*> Entries() const {
    std::vector<const PackageEntry*> list;
    for (auto* e = dir.FirstEntry; e != nullptr; e = e->Next) list.push_back(e);
    return list;
  }
};

// The shipped package's layout: six files back to back behind the main program.
std::vector<Record> ShippedRecords() {
  return {{"Gantrell.Hlp", 1339904, 150000}, {"Gantrell.Lib", 1489904, 300000},
          {"Gantrell.Dtp", 1789904, 90000},  {"Ferrovale.Dll", 1879904, 400000},
          {"UnInstal.Exe", 2279904, 100000}, {"ReadMe.Txt", 2379904, 1809}};
}

}  // namespace

TEST(PackageTrailer, ReadsRecordsInOrderFromTheEnd) {
  const auto image = Image(ShippedRecords(), 2381713);
  Parsed p(image);
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(image.size() - 6, 173u);  // 6 x 28 + 5
  EXPECT_EQ(p.dir.ExpandedSize, 2381713);
  const auto entries = p.Entries();
  ASSERT_EQ(entries.size(), 6u);
  EXPECT_EQ(entries.front(), p.dir.FirstEntry);
  EXPECT_EQ(entries.back(), p.dir.LastEntry);
  EXPECT_EQ(entries[0]->Name, "Gantrell.Hlp");
  EXPECT_EQ(entries[0]->Offset, 1339904);
  EXPECT_EQ(entries[3]->Name, "Ferrovale.Dll");
  EXPECT_EQ(entries[5]->Size, 1809);
  EXPECT_EQ(ValidatePackageDirectory(p.dir), "");
}

TEST(PackageTrailer, NoRecords) {
  Parsed p(Image({}, 4242));
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(p.dir.FirstEntry, nullptr);
  EXPECT_EQ(p.dir.ExpandedSize, 4242);
  EXPECT_EQ(ValidatePackageDirectory(p.dir), "The package directory lists no files.");
}

TEST(PackageTrailer, NameFieldLeftoversAreIgnored) {
  Parsed a(Image({{"A.Txt", 10, 5, -1, '\0'}}, 15));
  Parsed b(Image({{"A.Txt", 10, 5, -1, 'Q'}}, 15));
  ASSERT_TRUE(a.ok && b.ok);
  EXPECT_EQ(a.dir.FirstEntry->Name, "A.Txt");
  EXPECT_EQ(b.dir.FirstEntry->Name, "A.Txt");
}

TEST(PackageTrailer, OverlongNameLengthIsKeptButNotReadPastTheField) {
  Parsed p(Image({{"ABCDEFGHIJKLMNOPQRS", 100, 7, 200}}, 107));
  ASSERT_TRUE(p.ok);
  const PackageEntry& e = *p.dir.FirstEntry;
  EXPECT_EQ(e.Name.size(), 200u);
  EXPECT_EQ(e.Name.substr(0, 19), "ABCDEFGHIJKLMNOPQRS");
  EXPECT_EQ(e.Name.find_first_not_of('\0', 19), std::string::npos);
  EXPECT_EQ(e.Offset, 100);  // the fields behind the name are where they belong
  EXPECT_EQ(e.Size, 7);
  EXPECT_EQ(ValidatePackageDirectory(p.dir), "Package entry 1 has a name of 200 characters; at most 19 are allowed.");
}

TEST(PackageTrailer, ImageTooShortForWhatItAnnounces) {
  EXPECT_FALSE(Parsed(std::vector<std::uint8_t>{1, 2, 3, 4}).ok);
  auto image = Image({{"A.Txt", 10, 5}}, 15);
  image.erase(image.begin(), image.begin() + 7);  // one byte of the record is missing
  Parsed p(image);
  EXPECT_FALSE(p.ok);
  EXPECT_EQ(p.dir.FirstEntry, nullptr);
}

TEST(PackageTrailer, FreeLeavesAnEmptyDirectory) {
  PackageDirectoryRecord dir{nullptr, nullptr, 99};
  AppendPackageEntry(dir, new PackageEntry{"A", 1, 2, nullptr});
  AppendPackageEntry(dir, new PackageEntry{"B", 3, 4, nullptr});
  EXPECT_EQ(dir.FirstEntry->Next, dir.LastEntry);
  FreePackageDirectory(dir);
  EXPECT_EQ(dir.FirstEntry, nullptr);
  EXPECT_EQ(dir.LastEntry, nullptr);
  EXPECT_EQ(dir.ExpandedSize, 99);
}

TEST(PackageValidation, RefusesWhatTheSetupCannotInstallSafely) {
  struct Case {
    const char* what;
    std::vector<Record> records;
    std::int32_t expanded;
    std::string message;  // empty: the directory is sound
  };
  const Case cases[] = {
      {"sound", {{"A.Txt", 100, 10}, {"B.Txt", 110, 5}}, 115, ""},
      {"gaps between entries are allowed", {{"A.Txt", 100, 10}, {"B.Txt", 120, 5}}, 125, ""},
      {"empty files are allowed", {{"A.Txt", 100, 0}, {"B.Txt", 100, 5}}, 105, ""},
      {"backslash", {{"..\\..\\x.dll", 100, 10}}, 110, "Package entry 1 (\"..\\..\\x.dll\") is not a plain file name."},
      {"drive", {{"C:x.dll", 100, 10}}, 110, "Package entry 1 (\"C:x.dll\") is not a plain file name."},
      {"slash", {{"A.Txt", 100, 10}, {"sub/B.Txt", 110, 5}}, 115,
       "Package entry 2 (\"sub/B.Txt\") is not a plain file name."},
      {"dot dot", {{"..", 100, 10}}, 110, "Package entry 1 (\"..\") is not a plain file name."},
      {"dot", {{".", 100, 10}}, 110, "Package entry 1 (\".\") is not a plain file name."},
      {"empty name", {{"", 100, 10}}, 110, "Package entry 1 (\"\") is not a plain file name."},
      {"control character", {{"A\tB", 100, 10}}, 110, "Package entry 1 (\"A?B\") is not a plain file name."},
      {"wildcard", {{"A*.Txt", 100, 10}}, 110, "Package entry 1 (\"A*.Txt\") is not a plain file name."},
      {"final dot", {{"A.Txt.", 100, 10}}, 110, "Package entry 1 (\"A.Txt.\") is not a plain file name."},
      {"dot dot blank", {{".. ", 100, 10}}, 110, "Package entry 1 (\".. \") is not a plain file name."},
      {"device", {{"nul", 100, 10}}, 110, "Package entry 1 (\"nul\") is not a plain file name."},
      {"device with extension", {{"Com1 .Dat", 100, 10}}, 110,
       "Package entry 1 (\"Com1 .Dat\") is not a plain file name."},
      {"device-like names are files", {{"Console.Dat", 100, 10}, {"COM10", 110, 5}, {"Lpt.Txt", 115, 5}}, 120, ""},
      {"negative size", {{"A.Txt", 100, -1}}, 99, "Package entry 1 (\"A.Txt\") has a negative offset or size."},
      {"negative offset", {{"A.Txt", -5, 10}}, 5, "Package entry 1 (\"A.Txt\") has a negative offset or size."},
      {"inside the main program", {{"A.Txt", 100, 10}, {"B.Txt", 50, 5}}, 110,
       "Package entry 2 (\"B.Txt\") starts at 50, inside the main program (which ends at 100)."},
      {"beyond the stream", {{"A.Txt", 100, 10}, {"B.Txt", 110, 50}}, 115,
       "Package entry 2 (\"B.Txt\") ends at 160, beyond the expanded stream of 115 bytes."},
      {"overflowing end", {{"A.Txt", 100, 10}, {"B.Txt", 0x7FFFFFF0, 0x7FFFFFF0}}, 0x7FFFFFFF,
       "Package entry 2 (\"B.Txt\") ends at 4294967264, beyond the expanded stream of 2147483647 bytes."},
      {"stream longer than the last entry", {{"A.Txt", 100, 10}}, 200,
       "The expanded stream is 200 bytes long, but the last entry ends at 110."},
      {"negative expanded size", {{"A.Txt", 0, 0}}, -1,
       "Package entry 1 (\"A.Txt\") ends at 0, beyond the expanded stream of -1 bytes."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Parsed p(Image(c.records, c.expanded));
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(ValidatePackageDirectory(p.dir), c.message);
  }
}
