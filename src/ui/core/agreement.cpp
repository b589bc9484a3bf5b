#include "ui/core/agreement.h"

std::string AssembleAgreement(const std::vector<AgreementPiece>& pieces, const std::string& productName,
                              const std::string& groupName) {
  std::string text;
  for (const AgreementPiece& piece : pieces) {
    switch (piece.Kind) {
      case AgreementPieceKind::Fragment:
        if (piece.Text) text += piece.Text;
        break;
      case AgreementPieceKind::ProductName:
        text += productName;
        break;
      case AgreementPieceKind::GroupName:
        text += groupName;
        break;
      case AgreementPieceKind::Break:
        text += AgreementBreak;
        break;
    }
  }
  return text;
}
