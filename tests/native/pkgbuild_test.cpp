#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "expand/core/crc32.h"
#include "package/core/package_directory.h"
#include "pkgbuild/build_error.h"
#include "pkgbuild/config_writer.h"
#include "pkgbuild/lzh_encoder.h"
#include "pkgbuild/manifest.h"
#include "pkgbuild/package_builder.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

std::vector<std::uint8_t> ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> Noise(std::size_t size, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> bytes(size);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(random() % 7 == 0 ? random() : 'a' + random() % 4);
  return bytes;
}

const char* const kAgreement =
    "# pieces\n"
    "\"Agreement for \"\n"
    "ProductName\n"
    "Break\n"
    "  \"You may use \"  \n"
    "GroupName\n"
    "\".\\r\\n\"\n";

// The manifest every test starts from; a case changes or adds lines.
const char* const kManifest =
    "# test package\n"
    "GradientTop = 0x00FF0000\n"
    "GradientBottom = 0\n"
    "TitleColor = 65535\n"
    "GroupName = Vale Group\n"
    "ProductName = Vale\n"
    "MainProgramName = Vale.Exe\n"
    "FirstVolumeName = Vale.001\n"
    "WorkArchiveName = Vale._AV\n"
    "DefaultDestination = C:\\Program Files\\Vale\n"
    "NoticeText = \"(c) Vale \\\"Q\\\" \\\\ end \"\n"
    "BackdropTitle = Vale Installation  \n"
    "ExitQuestion = Leave the setup? # not a comment\n"
    "TerminatedMessage = Stopped.\n"
    "WrongDiskMessage = \"Wrong disk.\\r\\nTry again\"\n"
    "CompletionPrefix = \"Done.\\r\\n\\r\\nRun \"\n"
    "Agreement = agreement.txt\n"
    "MainProgram = bin/main.exe\n"
    "File = data/one.dat\n"
    "File = data/two.dat as Second.Dat\n"
    "File = Library.Lib\n";

class Package : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("pkgbuild_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    WriteAll(root_ / "pkg/agreement.txt", Bytes(kAgreement));
    WriteAll(root_ / "pkg/bin/main.exe", Noise(5000, 1));
    WriteAll(root_ / "pkg/data/one.dat", Noise(3000, 2));
    WriteAll(root_ / "pkg/data/two.dat", {});
    WriteAll(root_ / "search/Library.Lib", Noise(2100, 3));
    SetManifest(kManifest);
  }
  void TearDown() override { fs::remove_all(root_); }

  void SetManifest(const std::string& text) { WriteAll(ManifestPath(), Bytes(text)); }
  std::string ManifestPath() const { return (root_ / "pkg/manifest.txt").string(); }
  std::vector<std::string> Search() const { return {(root_ / "search").string()}; }
  Manifest Read() { return ReadManifest(ManifestPath(), Search()); }
  fs::path Out() const { return root_ / "out"; }

  // The manifest with one line replaced (or, with an empty `from`, added).
  std::string With(const std::string& from, const std::string& to) const {
    std::string text = kManifest;
    if (from.empty()) return text + to;
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return text.replace(at, from.size(), to);
  }

  std::string ErrorOf(const std::string& manifest, std::int64_t capacity = 0) {
    SetManifest(manifest);
    try {
      BuildPackage(Read(), Out().string(), capacity);
    } catch (const BuildError& e) {
      return e.what();
    }
    return "";
  }

  fs::path root_;
};

}  // namespace

TEST_F(Package, ManifestValues) {
  const Manifest m = Read();
  EXPECT_EQ(m.Config.GradientTop, 0x00FF0000u);
  EXPECT_EQ(m.Config.GradientBottom, 0u);
  EXPECT_EQ(m.Config.TitleColor, 0x0000FFFFu);
  EXPECT_EQ(m.Config.VolumeCount, 0);
  EXPECT_EQ(m.Config.GroupName, "Vale Group");
  EXPECT_EQ(m.Config.DefaultDestination, "C:\\Program Files\\Vale");
  EXPECT_EQ(m.Config.NoticeText, "(c) Vale \"Q\" \\ end ");
  EXPECT_EQ(m.Config.BackdropTitle, "Vale Installation");
  EXPECT_EQ(m.Config.ExitQuestion, "Leave the setup? # not a comment");
  EXPECT_EQ(m.Config.WrongDiskMessage, "Wrong disk.\r\nTry again");
  EXPECT_EQ(m.Config.CompletionPrefix, "Done.\r\n\r\nRun ");
  EXPECT_EQ(m.VolumeCapacity, 1457664);

  ASSERT_EQ(m.Agreement.size(), 6u);
  EXPECT_EQ(m.Agreement[0].Kind, AgreementPieceKind::Fragment);
  EXPECT_EQ(m.Agreement[0].Text, "Agreement for ");
  EXPECT_EQ(m.Agreement[1].Kind, AgreementPieceKind::ProductName);
  EXPECT_EQ(m.Agreement[2].Kind, AgreementPieceKind::Break);
  EXPECT_EQ(m.Agreement[4].Kind, AgreementPieceKind::GroupName);
  EXPECT_EQ(m.Agreement[5].Text, ".\r\n");

  EXPECT_EQ(m.MainProgram.Source, (root_ / "pkg/bin/main.exe").string());
  ASSERT_EQ(m.Files.size(), 3u);
  EXPECT_EQ(m.Files[0].Name, "one.dat");
  EXPECT_EQ(m.Files[1].Name, "Second.Dat");
  EXPECT_EQ(m.Files[2].Name, "Library.Lib");
  EXPECT_EQ(m.Files[2].Source, (root_ / "search/Library.Lib").string());
  EXPECT_EQ(m.Files[2].Line, 21);
}

TEST_F(Package, PathsAreLookedUpNextToTheManifestFirstThenInEachSearchDirectory) {
  WriteAll(root_ / "pkg/Library.Lib", Noise(10, 4));
  WriteAll(root_ / "second/Only.Dat", Noise(10, 5));
  SetManifest(With("", "File = Only.Dat\n"));
  const Manifest m = ReadManifest(ManifestPath(), {(root_ / "search").string(), (root_ / "second").string()});
  EXPECT_EQ(m.Files[2].Source, (root_ / "pkg/Library.Lib").string());
  EXPECT_EQ(m.Files[3].Source, (root_ / "second/Only.Dat").string());
}

TEST_F(Package, Utf8TextsBecomeAnsi) {
  SetManifest(With("NoticeText = \"(c) Vale \\\"Q\\\" \\\\ end \"", "NoticeText = \xC2\xA9 Vale \xE2\x80\x93 caf\xC3\xA9"));
  EXPECT_EQ(Read().Config.NoticeText, "\xA9 Vale \x96 caf\xE9");
  // Text that is not UTF-8 is taken as ANSI already.
  SetManifest(With("NoticeText = \"(c) Vale \\\"Q\\\" \\\\ end \"", "NoticeText = caf\xE9"));
  EXPECT_EQ(Read().Config.NoticeText, "caf\xE9");
}

TEST_F(Package, BadManifestsAreRefusedWithTheirLine) {
  std::string manyFiles;
  for (int i = 0; i < 253; ++i) manyFiles += "File = data/one.dat as F" + std::to_string(i) + ".Dat\n";
  struct Case {
    std::string manifest;
    std::string message;  // expected text within the error
  };
  const Case cases[] = {
      {With("", "Nonsense\n"), "manifest.txt:22: expected 'Key = Value'"},
      {With("", "Colour = 1\n"), "manifest.txt:22: unknown key 'Colour'"},
      {With("", "VolumeCount = 2\n"), "manifest.txt:22: VolumeCount is not set in the manifest"},
      {With("", "ProductName = Again\n"), "manifest.txt:22: ProductName is given twice (first on line 6)"},
      {With("ProductName = Vale\n", ""), "the required key 'ProductName' is missing"},
      {With("Agreement = agreement.txt\n", ""), "the required key 'Agreement' is missing"},
      {With("TerminatedMessage = Stopped.", "TerminatedMessage = \"Stop\\q\""), "manifest.txt:14: unknown escape '\\q'"},
      {With("TerminatedMessage = Stopped.", "TerminatedMessage = \"Stop"), "manifest.txt:14: the closing double quote is missing"},
      {With("TerminatedMessage = Stopped.", "TerminatedMessage = \"Stop\" x"), "manifest.txt:14: unexpected text after the closing quote"},
      {With("GradientBottom = 0", "GradientBottom = 0xFG"), "manifest.txt:3: GradientBottom is not a number"},
      {With("GradientBottom = 0", "GradientBottom = 0x100000000"), "manifest.txt:3: GradientBottom is too large"},
      {With("", "VolumeCapacity = 0\n"), "manifest.txt:22: VolumeCapacity must be at least 1"},
      {With("", "File = data/one.dat as AVeryLongName12345.Dat\n"), "manifest.txt:22: the file name 'AVeryLongName12345.Dat' is longer than 19 characters"},
      {With("", "File = data/one.dat as sub\\x.dat\n"), "manifest.txt:22: 'sub\\x.dat' is not a plain file name"},
      {With("", "File = data/one.dat as C:x.dat\n"), "manifest.txt:22: 'C:x.dat' is not a plain file name"},
      {With("", "File = data/one.dat as Aux.Dat\n"), "manifest.txt:22: 'Aux.Dat' is not a plain file name"},
      {With("MainProgramName = Vale.Exe", "MainProgramName = ..\\Vale.Exe"), "manifest.txt:7: MainProgramName '..\\Vale.Exe' is not a plain file name"},
      {With("WorkArchiveName = Vale._AV", "WorkArchiveName = VALE.EXE"), "manifest.txt:9: WorkArchiveName must differ from MainProgramName"},
      {With("", "File = data/none.dat\n"), "manifest.txt:22: file not found: 'data/none.dat'"},
      {With("MainProgram = bin/main.exe", "MainProgram = bin/gone.exe"), "manifest.txt:18: file not found: 'bin/gone.exe'"},
      {With("", manyFiles), "manifest.txt:274: more than 255 files"},
      {With("File = data/one.dat\nFile = data/two.dat as Second.Dat\nFile = Library.Lib\n", ""), "no File is given"},
      {With("", "File = data/one.dat as LIBRARY.LIB\n"), "manifest.txt:22: the name 'LIBRARY.LIB' is already used by line 21"},
      {With("", "File = data/one.dat as vale.exe\n"), "the name 'vale.exe' is already used by MainProgramName"},
      {With("NoticeText = \"(c) Vale \\\"Q\\\" \\\\ end \"", "NoticeText = \xE2\x86\x92"), "manifest.txt:11: the character U+2192 has no Windows-1252"},
      {With("Agreement = agreement.txt", "Agreement = missing.txt"), "manifest.txt:17: file not found: 'missing.txt'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    const std::string error = ErrorOf(c.manifest);
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(Out()));
  }
}

TEST_F(Package, BadAgreementsAreRefusedWithTheirLine) {
  const std::pair<std::string, std::string> cases[] = {
      {"ProductName\nProduct Name\n", "agreement.txt:2: expected ProductName, GroupName, Break or a double-quoted fragment"},
      {"\"a\\x\"\n", "agreement.txt:1: unknown escape '\\x'"},
      {"\"\"\n", "agreement.txt:1: empty fragment"},
      {"# nothing\n\n", "agreement.txt: the agreement has no pieces"},
  };
  for (const auto& [agreement, message] : cases) {
    SCOPED_TRACE(message);
    WriteAll(root_ / "pkg/agreement.txt", Bytes(agreement));
    const std::string error = ErrorOf(kManifest);
    EXPECT_NE(error.find(message), std::string::npos) << error;
  }
}

TEST_F(Package, BuildWritesVolumesConfigAndTrailerThatAgree) {
  const Manifest m = Read();
  const BuildResult r = BuildPackage(m, Out().string());

  ASSERT_EQ(r.VolumeNames, std::vector<std::string>{"Vale.001"});
  const auto volume = ReadAll(Out() / "Vale.001");
  std::vector<std::uint8_t> expanded = ReadAll(root_ / "pkg/bin/main.exe");
  for (const char* file : {"pkg/data/one.dat", "pkg/data/two.dat", "search/Library.Lib"}) {
    const auto bytes = ReadAll(root_ / file);
    expanded.insert(expanded.end(), bytes.begin(), bytes.end());
  }
  EXPECT_TRUE(DecodeLzh(volume, static_cast<std::int32_t>(expanded.size())) == expanded);

  // The trailer, read back as the setup reads it, names the files in order.
  const auto trailer = ReadAll(Out() / "trailer.bin");
  EXPECT_EQ(trailer.size(), 3 * 28 + 5u);
  PackageDirectoryRecord dir{nullptr, nullptr, 0};
  ASSERT_TRUE(ParsePackageTrailer(trailer.data(), trailer.size(), dir));
  EXPECT_EQ(ValidatePackageDirectory(dir), "");
  EXPECT_EQ(dir.ExpandedSize, static_cast<std::int32_t>(expanded.size()));
  const std::tuple<std::string, std::int32_t, std::int32_t> expected[] = {
      {"one.dat", 5000, 3000}, {"Second.Dat", 8000, 0}, {"Library.Lib", 8000, 2100}};
  const PackageEntry* e = dir.FirstEntry;
  for (const auto& [name, offset, size] : expected) {
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->Name, name);
    EXPECT_EQ(e->Offset, offset);
    EXPECT_EQ(e->Size, size);
    e = e->Next;
  }
  EXPECT_EQ(e, nullptr);
  FreePackageDirectory(dir);

  // The configuration carries the counted figures and the texts byte for byte.
  const auto config = ReadAll(Out() / "package_config.cpp");
  const std::string text(config.begin(), config.end());
  EXPECT_EQ(r.Figures.VolumeCount, 1);
  EXPECT_EQ(r.Figures.TotalVolumeSize, static_cast<std::int32_t>(volume.size()));
  EXPECT_EQ(r.Figures.ExpandedCrc, Crc32Update(Crc32Start, expanded.data(), expanded.size()));
  char crc[16];
  std::snprintf(crc, sizeof crc, "0x%08X", r.Figures.ExpandedCrc);
  for (const std::string& piece : {std::string("    1,  // VolumeCount"),
                                   "std::int32_t TotalVolumeSize = " + std::to_string(volume.size()) + ";",
                                   "PackageChecks = {{" + std::to_string(volume.size()) + "}, true, " + crc + "u};",
                                   std::string("\"(c) Vale \\\"Q\\\" \\\\ end \",  // NoticeText"),
                                   std::string("\"Done.\\r\\n\\r\\nRun \",  // CompletionPrefix"),
                                   std::string("\"Leave the setup\\? # not a comment\""),
                                   std::string("{AgreementPieceKind::ProductName, nullptr},"),
                                   std::string("{AgreementPieceKind::Fragment, \".\\r\\n\"},")}) {
    EXPECT_NE(text.find(piece), std::string::npos) << piece;
  }
  // Only the package's own files are left in the output directory.
  EXPECT_EQ(std::distance(fs::directory_iterator(Out()), fs::directory_iterator()), 3);
}

TEST_F(Package, StringLiteralsKeepEveryByte) {
  EXPECT_EQ(CStringLiteral("plain"), "\"plain\"");
  EXPECT_EQ(CStringLiteral("a\"b\\c\r\n\t?"), "\"a\\\"b\\\\c\\r\\n\\t\\?\"");
  EXPECT_EQ(CStringLiteral(std::string("\x01\x7F\xA9" "7", 4)), "\"\\001\\177\\2517\"");
}

TEST_F(Package, SmallVolumesMakeThreeDisksAndNoMore) {
  const Manifest m = Read();
  const std::int32_t size = BuildPackage(m, (root_ / "probe").string()).Figures.TotalVolumeSize;
  const std::int64_t capacity = size / 3 + 1;
  const BuildResult r = BuildPackage(m, Out().string(), capacity);
  ASSERT_EQ(r.VolumeNames, (std::vector<std::string>{"Vale.001", "Vale.002", "Vale.003"}));
  std::vector<std::uint8_t> joined;
  std::int32_t total = 0;
  for (std::size_t k = 0; k < 3; ++k) {
    const auto bytes = ReadAll(Out() / r.VolumeNames[k]);
    EXPECT_EQ(r.Figures.VolumeSizes[k], static_cast<std::int32_t>(bytes.size()));
    EXPECT_LE(static_cast<std::int64_t>(bytes.size()), capacity);
    total += static_cast<std::int32_t>(bytes.size());
    joined.insert(joined.end(), bytes.begin(), bytes.end());
  }
  EXPECT_EQ(r.Figures.VolumeCount, 3);
  EXPECT_EQ(r.Figures.TotalVolumeSize, total);
  EXPECT_EQ(DecodeLzh(joined, r.ExpandedSize).size(), static_cast<std::size_t>(r.ExpandedSize));

  // A later build that needs fewer disks removes the followers of this one.
  BuildPackage(m, Out().string());
  EXPECT_TRUE(fs::exists(Out() / "Vale.001"));
  EXPECT_FALSE(fs::exists(Out() / "Vale.002"));
  EXPECT_FALSE(fs::exists(Out() / "Vale.003"));

  // A fourth disk is refused, and the earlier build is left as it was.
  const auto before = ReadAll(Out() / "Vale.001");
  const std::int64_t tooSmall = size / 4 + 1;
  const std::string error = ErrorOf(kManifest, tooSmall);
  EXPECT_NE(error.find("needs 4 volumes of " + std::to_string(tooSmall) + " bytes; the setup reads at most 3"),
            std::string::npos)
      << error;
  EXPECT_EQ(ReadAll(Out() / "Vale.001"), before);
  EXPECT_EQ(std::distance(fs::directory_iterator(Out()), fs::directory_iterator()), 3);
}

TEST_F(Package, PackagesBeyondTwoGigabytesAreRefusedBeforeReading) {
  std::ofstream(root_ / "search/Huge.Dat").close();
  fs::resize_file(root_ / "search/Huge.Dat", std::uintmax_t{1} << 31);  // sparse
  const std::string error = ErrorOf(With("", "File = Huge.Dat\n"));
  fs::remove(root_ / "search/Huge.Dat");
  EXPECT_NE(error.find("larger than 2147483647 bytes"), std::string::npos) << error;
  EXPECT_FALSE(fs::exists(Out()));
}

TEST_F(Package, SealAppendsASoundTrailerOnly) {
  BuildPackage(Read(), Out().string());
  const auto image = Bytes("MZ pretend executable");
  WriteAll(root_ / "SETUP_IMAGE.EXE", image);
  const fs::path sealed = root_ / "disk/SETUP.EXE";
  SealSetup((root_ / "SETUP_IMAGE.EXE").string(), (Out() / "trailer.bin").string(), sealed.string());

  const auto bytes = ReadAll(sealed);
  const auto trailer = ReadAll(Out() / "trailer.bin");
  ASSERT_EQ(bytes.size(), image.size() + trailer.size());
  EXPECT_TRUE(std::equal(image.begin(), image.end(), bytes.begin()));
  PackageDirectoryRecord dir{nullptr, nullptr, 0};
  ASSERT_TRUE(ParsePackageTrailer(bytes.data(), bytes.size(), dir));
  EXPECT_EQ(dir.FirstEntry->Name, "one.dat");
  EXPECT_EQ(ValidatePackageDirectory(dir), "");
  FreePackageDirectory(dir);

  // Garbage for a trailer, or one with stray bytes, is refused and nothing is written.
  const fs::path refused = root_ / "disk2/SETUP.EXE";
  for (const auto& bad : {Bytes("not a trailer at all"), [&] {
                            auto t = trailer;
                            t.insert(t.begin(), 'x');
                            return t;
                          }()}) {
    WriteAll(root_ / "bad.bin", bad);
    EXPECT_THROW(SealSetup((root_ / "SETUP_IMAGE.EXE").string(), (root_ / "bad.bin").string(), refused.string()),
                 BuildError);
    EXPECT_FALSE(fs::exists(refused.parent_path()));
  }
}
