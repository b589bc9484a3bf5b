// WinInit.Ini as other programs may have left it: any bytes. The merge must
// keep every line it read, add the section when missing, and withdraw only
// its own lines.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "setup/core/wininit.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string existing(reinterpret_cast<const char*>(data), size);
  WinInitText text(existing);
  const std::size_t linesBefore = text.Lines().size();
  text.EnsureRenameSection();
  const std::string line = "C:\\FERROV~1\\GANTRELL.EXE=C:\\FERROV~1\\GANTRELL.$$$";
  text.AppendRename(line);
  const std::size_t linesWith = text.Lines().size();
  if (linesWith < linesBefore + 1 || linesWith > linesBefore + 2) std::abort();
  // Reading back what was written gives the same lines.
  WinInitText again(text.Text());
  if (again.Lines() != text.Lines()) std::abort();
  if (!text.Withdraw(line)) std::abort();
  if (text.Lines().size() != linesWith - 1) std::abort();
  return 0;
}
