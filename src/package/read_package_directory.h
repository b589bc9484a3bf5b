// Reads the package directory from the trailer of the running setup program.
#pragma once

// Fills PackageDirectory from the last bytes of the program's own file (the
// path the system reports for the running process), opened for reading only.
// Every failed file operation raises EInOutError with the system's error
// code; a read that gets fewer bytes than it asks for raises code 100. The
// directory is not checked here: see ValidatePackageDirectory.
void ReadPackageDirectory();
