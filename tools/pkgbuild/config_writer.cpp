#include "pkgbuild/config_writer.h"

#include <cstdio>

std::string CStringLiteral(const std::string& bytes) {
  std::string out = "\"";
  for (const char ch : bytes) {
    const auto byte = static_cast<unsigned char>(ch);
    switch (ch) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '?': out += "\\?"; break;  // never part of a trigraph
      default:
        if (byte < 0x20 || byte > 0x7E) {
          char octal[8];  // three octal digits always end the escape
          std::snprintf(octal, sizeof octal, "\\%03o", byte);
          out += octal;
        } else {
          out += ch;
        }
    }
  }
  return out + "\"";
}

namespace {

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

const char* KindName(AgreementPieceKind kind) {
  switch (kind) {
    case AgreementPieceKind::Fragment: return "Fragment";
    case AgreementPieceKind::ProductName: return "ProductName";
    case AgreementPieceKind::GroupName: return "GroupName";
    case AgreementPieceKind::Break: return "Break";
  }
  return "Break";
}

}  // namespace

std::string ConfigSource(const Manifest& manifest, const PackageFigures& figures) {
  const SetupConfigBlock& c = manifest.Config;
  std::string s;
  s += "// The package configuration, written by pkgbuild from " + manifest.Path + ".\n";
  s += "// Do not edit: build the package again instead.\n";
  s += "#include \"setup/core/config.h\"\n\n";
  s += "SetupConfigBlock SetupConfig = {\n";
  s += "    " + Hex(c.GradientTop) + ",  // GradientTop\n";
  s += "    " + Hex(c.GradientBottom) + ",  // GradientBottom\n";
  s += "    " + Hex(c.TitleColor) + ",  // TitleColor\n";
  s += "    " + std::to_string(figures.VolumeCount) + ",  // VolumeCount\n";
  for (const auto& field : ConfigTextFields)
    s += "    " + CStringLiteral(c.*field.Field) + ",  // " + field.Name + "\n";
  s += "};\n\n";

  s += "std::int32_t TotalVolumeSize = " + std::to_string(figures.TotalVolumeSize) + ";\n\n";

  s += "const std::vector<AgreementPiece> AgreementPieces = {\n";
  for (const auto& piece : manifest.Agreement) {
    s += "    {AgreementPieceKind::";
    s += KindName(piece.Kind);
    s += ", ";
    s += piece.Kind == AgreementPieceKind::Fragment ? CStringLiteral(piece.Text) : "nullptr";
    s += "},\n";
  }
  s += "};\n\n";

  s += "const PackageIntegrity PackageChecks = {{";
  for (std::size_t i = 0; i < figures.VolumeSizes.size(); ++i) {
    s += (i ? ", " : "") + std::to_string(figures.VolumeSizes[i]);
  }
  s += "}, true, " + Hex(figures.ExpandedCrc) + "u};\n";
  return s;
}
