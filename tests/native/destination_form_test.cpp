#include "ui/core/destination_form.h"

#include <gtest/gtest.h>

TEST(DestinationForm, Table) {
  struct FormCase { const char* text; bool passes; };
  const FormCase cases[] = {
      {"C:\\Program Files\\Ferrovale", true},
      {"C:", true},                 // a bare drive
      {"Z:relative", true},         // nothing after the colon is examined
      {"A:\\", true},
      {"C:\\with blanks \\", true},
      {"", false},
      {"C", false},                 // too short: not examined further
      {"c:\\lower", false},         // lower-case drive letters fail
      {"1:\\digit", false},
      {"CC:\\", false},             // colon not second
      {"\\\\server\\share", false},
      {"@:\\", false},              // just below "A"
      {"[:\\", false},              // just above "Z"
  };
  for (const auto& c : cases) EXPECT_EQ(HasDriveForm(c.text), c.passes) << '"' << c.text << '"';
}
