// The licence agreement as one text, built from the package's pieces.
#pragma once

#include <string>
#include <vector>

#include "setup/core/config.h"

constexpr const char* AgreementBreak = "\r\n\r\n";

// Joins the pieces in order, with nothing between them: fragments as they
// stand, the product and group names where they are called for, and a
// paragraph break (CR LF CR LF) for each break piece.
std::string AssembleAgreement(const std::vector<AgreementPiece>& pieces, const std::string& productName,
                              const std::string& groupName);
