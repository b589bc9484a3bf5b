// The package the in-process tests run with: the Ferrovale values, one
// volume. Tests change fields at run time where a case needs it.
#include "setup/core/config.h"

SetupConfigBlock SetupConfig = {
    0x00FF0000, 0x00000000, 0x0000FFFF, 1,
    "Ferrovale", "Ferrovale", "Gantrell.Exe", "Gantrell.001", "Gantrell._AV",
    "C:\\Program Files\\Ferrovale", "Ferrovale test notice line..",
    "Ferrovale Installation", "Do you really want to terminate the Setup program?",
    "The Installation process has been terminated.",
    "This is not the appropriate disk.\r\nPlease insert the correct disk and Press Enter",
    "Ferrovale has been successfully installed.\r\n\r\nDo you wish to run ",
};
std::int32_t TotalVolumeSize = 0;
const std::vector<AgreementPiece> AgreementPieces = {
    {AgreementPieceKind::Fragment, "Test agreement for "},
    {AgreementPieceKind::ProductName, nullptr},
    {AgreementPieceKind::Break, nullptr},
    {AgreementPieceKind::GroupName, nullptr},
};
const PackageIntegrity PackageChecks = {{}, false, 0};
