// Damaged packages: the setup says what is wrong before it installs anything,
// the run is cancelled, and no partial installation is left.
#include <gtest/gtest.h>

#include <functional>

#include "run_support.h"

using namespace runs;

namespace {

const char* const Destination = "C:\\DAMAGED";
const char* const CannotContinue = "\r\n\r\nThe installation cannot continue.";

bool StartsWith(const std::string& text, const std::string& start) { return text.rfind(start, 0) == 0; }
bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Renames the last entry of the package directory in SETUP.EXE's trailer.
void RenameLastEntry(const std::string& setup, const std::string& name) {
  std::string image = ReadFile(setup);
  const std::size_t record = image.size() - 5 - 28;
  image[record] = static_cast<char>(name.size());
  image.replace(record + 1, name.size(), name);
  WriteFile(setup, image);
}

}  // namespace

TEST_F(Runs, DamagedPackage) {
  struct Case {
    const char* Name;
    std::function<void(const std::string& dist)> Damage;
    std::function<bool(const std::string& message)> Expected;
  };
  const std::string volume = ReadFile(PackageDir() + "Gantrell.001");
  const std::string truncatedSize = std::to_string(volume.size() - 1000);
  const Case cases[] = {
      {"a truncated volume",
       [&](const std::string& dist) { WriteFile(dist + "Gantrell.001", volume.substr(0, volume.size() - 1000)); },
       [&](const std::string& m) {
         return m == "Gantrell.001 holds " + truncatedSize + " bytes, but disk 1 of this package holds " +
                         std::to_string(volume.size()) +
                         ": it belongs to another package or it is damaged." + CannotContinue;
       }},
      {"an unsafe name in the trailer",
       [](const std::string& dist) { RenameLastEntry(dist + "SETUP.EXE", "..\\ReadMe.Txt"); },
       [](const std::string& m) {
         return StartsWith(m, "The setup program is damaged: its list of the product's files is not valid (") &&
                m.find("is not a plain file name.") != std::string::npos && EndsWith(m, CannotContinue);
       }},
      {"a volume of the right size with other bytes",
       [&](const std::string& dist) {
         std::string damaged = volume;
         for (std::size_t i = damaged.size() / 2; i < damaged.size() / 2 + 64; ++i) damaged[i] = '\x5A';
         WriteFile(dist + "Gantrell.001", damaged);
       },
       // Garbled codes expand to other bytes (the checksum tells) or read on
       // past the archive's end, as here, depending on where the damage lies.
       [](const std::string& m) {
         return (StartsWith(m, "The expanded product is damaged: its checksum is ") ||
                 StartsWith(m, "The compressed product C:\\DAMAGED\\Gantrell._AV is incomplete")) &&
                EndsWith(m, CannotContinue);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string dist = CopyDistribution("C:\\dist");
    c.Damage(dist);
    RemoveTree(Destination);

    SetupRun run(dist);
    ASSERT_TRUE(Agree(run));
    ASSERT_TRUE(AcceptDestination(run, Destination));
    HWND stop = nullptr;
    std::string message;
    for (const DWORD start = GetTickCount(); !stop && GetTickCount() - start < 30000; Sleep(10)) {
      for (HWND w : autopilot::TopLevelWindows(run.Pid())) {
        if (autopilot::WindowText(w) != "Ferrovale") continue;
        stop = w;
        message = autopilot::MessageBoxText(w);
      }
    }
    ASSERT_TRUE(stop);
    EXPECT_TRUE(c.Expected(message)) << message;
    autopilot::ClickButton(stop, IDOK);
    HWND terminated = WaitForMessage("The Installation process has been terminated.", run.Pid());
    ASSERT_TRUE(terminated);
    autopilot::ClickButton(terminated, IDOK);
    EXPECT_EQ(run.Exit(), 0);

    EXPECT_TRUE(FilesIn(Destination).empty());
    EXPECT_FALSE(Exists("C:\\ReadMe.Txt"));
    EXPECT_FALSE(Exists(WindowsDir() + "\\Help\\Gantrell.Hlp"));
    EXPECT_FALSE(MachineKeyExists(UninstallKey));
    EXPECT_FALSE(Exists(ProgramsFolder() + "\\Ferrovale.LNK"));
  }
}
