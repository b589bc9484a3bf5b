// Running a work page in this process for a test: the run state a page
// needs, the page's modal dialog with a guard that unwinds it if the test's
// steps fail, and a hook that presses Cancel the moment the work starts.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace work {

// The parts of the run state that PrepareRun would fill: the screen size,
// the decoder buffers, the rename list in `windowsDir`, and fresh values of
// every field the work pages change. Undone by the destructor.
class PageRunState {
 public:
  PageRunState(const std::string& destinationDir, const std::string& windowsDir);
  ~PageRunState();
  PageRunState(const PageRunState&) = delete;
  PageRunState& operator=(const PageRunState&) = delete;
};

// Shows the page of `templateName` with `procedure` as a modal dialog and
// returns its result. `steps` run on a helper thread meanwhile (the page is
// unwound if they fail); the page must end by itself.
INT_PTR RunWorkPage(const char* templateName, DLGPROC procedure, std::function<bool()> steps = nullptr,
                    bool* stepsOk = nullptr);

// While it lives, every work page that opens gets a Cancel click queued
// right behind its start message, so that its work meets it at its first
// message drain (a deterministic moment for tests).
class CancelAtStart {
 public:
  CancelAtStart();
  ~CancelAtStart();
  CancelAtStart(const CancelAtStart&) = delete;
  CancelAtStart& operator=(const CancelAtStart&) = delete;

 private:
  HHOOK hook_;
};

}  // namespace work
