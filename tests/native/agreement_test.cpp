#include "ui/core/agreement.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#if __has_include("pkgbuild/manifest.h")
#include "pkgbuild/manifest.h"
#define HAVE_AGREEMENT_READER 1
#endif

namespace {

using Kind = AgreementPieceKind;

// The agreement's layout: the runs of pieces between two break pieces. A
// run that opens with a heading holds the heading as its first fragment
// ("LICENSE TO USE " carries its own break, so its paragraph follows in the
// same run).
struct Run {
  const char* Heading;  // null for a plain paragraph
  int Fragments;        // the heading included
  int GroupNames;
  int ProductNames;
};
const Run Layout[] = {
    {nullptr, 4, 0, 1},  // the opening sentence
    {"LICENSE TO USE \r\n\r\n", 19, 7, 0},
    {"SOFTWARE MAINTENANCE", 1, 0, 0},
    {nullptr, 4, 1, 0},
    {"LIMITED WARRANTY AND DISCLAIMER OF WARRANTY", 1, 0, 0},
    {nullptr, 14, 4, 0},
    {nullptr, 8, 1, 0},
    {nullptr, 9, 2, 0},
    {"ACKNOWLEDGMENT", 1, 0, 0},
    {nullptr, 7, 1, 0},
    {nullptr, 3, 1, 0},  // the trademark notice
};

// The runs of a piece list, counted the same way as Layout.
struct Counted {
  std::string FirstFragment;
  int Fragments = 0;
  int GroupNames = 0;
  int ProductNames = 0;
  std::vector<Kind> Kinds;
};

std::vector<Counted> CountRuns(const std::vector<AgreementPiece>& pieces) {
  std::vector<Counted> runs(1);
  for (const AgreementPiece& p : pieces) {
    if (p.Kind == Kind::Break) {
      runs.emplace_back();
      continue;
    }
    Counted& run = runs.back();
    run.Kinds.push_back(p.Kind);
    if (p.Kind == Kind::Fragment && run.Fragments++ == 0) run.FirstFragment = p.Text ? p.Text : "";
    if (p.Kind == Kind::GroupName) ++run.GroupNames;
    if (p.Kind == Kind::ProductName) ++run.ProductNames;
  }
  return runs;
}

// Checks a piece list against the layout: 99 pieces, the runs and their
// counts, the headings standing alone, the product named as the opening's
// second piece and the group as the trademark notice's second piece.
void ExpectAgreementLayout(const std::vector<AgreementPiece>& pieces) {
  ASSERT_EQ(pieces.size(), 99u);
  EXPECT_NE(pieces.back().Kind, Kind::Break);
  const std::vector<Counted> runs = CountRuns(pieces);
  ASSERT_EQ(runs.size(), std::size(Layout));
  for (size_t i = 0; i < runs.size(); ++i) {
    SCOPED_TRACE("run " + std::to_string(i));
    EXPECT_EQ(runs[i].Fragments, Layout[i].Fragments);
    EXPECT_EQ(runs[i].GroupNames, Layout[i].GroupNames);
    EXPECT_EQ(runs[i].ProductNames, Layout[i].ProductNames);
    if (Layout[i].Heading) {
      EXPECT_EQ(runs[i].FirstFragment, Layout[i].Heading);
      if (Layout[i].Fragments == 1) {
        EXPECT_EQ(runs[i].Kinds.size(), 1u);
      }
    }
  }
  ASSERT_GE(runs.front().Kinds.size(), 2u);
  EXPECT_EQ(runs.front().Kinds[1], Kind::ProductName);
  ASSERT_GE(runs.back().Kinds.size(), 2u);
  EXPECT_EQ(runs.back().Kinds[1], Kind::GroupName);
}

// A stand-in agreement with the shipped layout and marker wording: fragments
// and insertions alternate, starting with a fragment.
class AgreementFixture {
 public:
  AgreementFixture() {
    bool first = true;
    for (const Run& run : Layout) {
      if (!first) Add(Kind::Break);
      first = false;
      int fragments = run.Fragments, groups = run.GroupNames, products = run.ProductNames;
      bool heading = run.Heading != nullptr;
      while (fragments + groups + products > 0) {
        if (fragments > 0) {
          AddText(heading ? run.Heading : " f" + std::to_string(texts_.size()) + " ");
          heading = false;
          --fragments;
        }
        if (products > 0) Add(Kind::ProductName), --products;
        else if (groups > 0) Add(Kind::GroupName), --groups;
      }
    }
    // The opening sentence ends in a colon.
    texts_[3] += ":";
    Pieces[4].Text = texts_[3].c_str();
  }
  std::vector<AgreementPiece> Pieces;

 private:
  void Add(Kind kind) { Pieces.push_back({kind, nullptr}); }
  void AddText(const std::string& text) {
    texts_.push_back(text);
    Pieces.push_back({Kind::Fragment, texts_.back().c_str()});
  }
  std::deque<std::string> texts_;  // stable addresses for the pieces' texts
};

std::vector<std::string> SplitAtBreaks(const std::string& text) {
  std::vector<std::string> parts;
  size_t from = 0;
  for (size_t at; (at = text.find(AgreementBreak, from)) != std::string::npos; from = at + 4)
    parts.push_back(text.substr(from, at - from));
  parts.push_back(text.substr(from));
  return parts;
}

int CountOf(const std::string& text, const std::string& word) {
  int n = 0;
  for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++n;
  return n;
}

}  // namespace

TEST(AgreementAssembly, JoinsPiecesAsTheyStand) {
  const std::vector<AgreementPiece> pieces = {
      {Kind::Fragment, "Use of "}, {Kind::ProductName, nullptr}, {Kind::Fragment, " by"},
      {Kind::Break, nullptr},      {Kind::GroupName, nullptr},   {Kind::GroupName, nullptr},
      {Kind::Fragment, " end"},
  };
  EXPECT_EQ(AssembleAgreement(pieces, "Prod", "Grp"), "Use of Prod by\r\n\r\nGrpGrp end");
  EXPECT_EQ(AssembleAgreement({}, "Prod", "Grp"), "");
}

TEST(AgreementAssembly, FixtureFollowsTheLayout) {
  AgreementFixture fixture;
  ExpectAgreementLayout(fixture.Pieces);
}

// With a group name unlike the product name, the product shows once, in the
// opening sentence, and the group in every other insertion; the breaks cut
// the text into its paragraphs and headings, with none at the end.
TEST(AgreementAssembly, NamesLandInTheirParagraphs) {
  AgreementFixture fixture;
  const std::string text = AssembleAgreement(fixture.Pieces, "ProductX", "GroupY");
  EXPECT_EQ(CountOf(text, "ProductX"), 1);
  EXPECT_EQ(CountOf(text, "GroupY"), 17);
  EXPECT_EQ(CountOf(text, AgreementBreak), 11);  // ten breaks and the one in "LICENSE TO USE "
  EXPECT_NE(text.substr(text.size() - 2), "\r\n");

  const std::vector<std::string> paragraphs = SplitAtBreaks(text);
  ASSERT_EQ(paragraphs.size(), 12u);
  EXPECT_NE(paragraphs[0].find("ProductX"), std::string::npos) << paragraphs[0];
  EXPECT_EQ(paragraphs[0].back(), ':');
  EXPECT_EQ(paragraphs[1], "LICENSE TO USE ");
  EXPECT_EQ(paragraphs[3], "SOFTWARE MAINTENANCE");
  EXPECT_EQ(paragraphs[5], "LIMITED WARRANTY AND DISCLAIMER OF WARRANTY");
  EXPECT_EQ(paragraphs[9], "ACKNOWLEDGMENT");
  const int groupsPerParagraph[] = {0, 0, 7, 0, 1, 0, 4, 1, 2, 0, 1, 1};
  for (size_t i = 0; i < paragraphs.size(); ++i)
    EXPECT_EQ(CountOf(paragraphs[i], "GroupY"), groupsPerParagraph[i]) << "paragraph " << i;

  // The same pieces with equal names: only the names change.
  const std::string same = AssembleAgreement(fixture.Pieces, "Ferrovale", "Ferrovale");
  EXPECT_EQ(CountOf(same, "Ferrovale"), 18);
  EXPECT_EQ(same.size(), text.size() + 9 - 8 + 17 * (9 - 6));
}

#ifdef HAVE_AGREEMENT_READER
// The wording shipped with the Ferrovale package, read as the package
// builder reads it, has the layout the licence page is built for.
TEST(AgreementFile, ShippedWordingFollowsTheLayout) {
  const std::vector<AgreementPieceText> read =
      ReadAgreement(std::string(TEST_DATA_DIR) + "/../../packages/ferrovale/agreement.txt");
  std::vector<AgreementPiece> pieces;
  for (const AgreementPieceText& piece : read)
    pieces.push_back({piece.Kind, piece.Kind == Kind::Fragment ? piece.Text.c_str() : nullptr});
  ExpectAgreementLayout(pieces);

  const std::string text = AssembleAgreement(pieces, "Ferrovale", "Ferrovale");
  const std::vector<std::string> paragraphs = SplitAtBreaks(text);
  ASSERT_EQ(paragraphs.size(), 12u);
  EXPECT_EQ(paragraphs[0].back(), ':');
  for (const std::string& paragraph : paragraphs) {
    EXPECT_FALSE(paragraph.empty());
    EXPECT_EQ(paragraph.find('\n'), std::string::npos) << paragraph;  // breaks only between paragraphs
  }
  // With two 12-character names the text stays just under 4,000 characters.
  EXPECT_LT(AssembleAgreement(pieces, "ProductName1", "GroupNameABC").size(), 4000u);
}
#endif
