#include "setup/core/config.h"

const ConfigTextField ConfigTextFields[12] = {
    {"GroupName", &SetupConfigBlock::GroupName},
    {"ProductName", &SetupConfigBlock::ProductName},
    {"MainProgramName", &SetupConfigBlock::MainProgramName},
    {"FirstVolumeName", &SetupConfigBlock::FirstVolumeName},
    {"WorkArchiveName", &SetupConfigBlock::WorkArchiveName},
    {"DefaultDestination", &SetupConfigBlock::DefaultDestination},
    {"NoticeText", &SetupConfigBlock::NoticeText},
    {"BackdropTitle", &SetupConfigBlock::BackdropTitle},
    {"ExitQuestion", &SetupConfigBlock::ExitQuestion},
    {"TerminatedMessage", &SetupConfigBlock::TerminatedMessage},
    {"WrongDiskMessage", &SetupConfigBlock::WrongDiskMessage},
    {"CompletionPrefix", &SetupConfigBlock::CompletionPrefix},
};
