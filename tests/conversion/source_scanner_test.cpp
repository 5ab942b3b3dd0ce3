#include "source_scanner.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "test_files.h"

namespace tarnwick {
namespace {

using testing::Utf16;

SourceScanner ScannerOver(const std::string& bytes) {
  return SourceScanner(std::make_unique<std::stringbuf>(bytes, std::ios::in),
                       Windows1252CaseRules());
}

struct Read {
  std::string line;
  bool atEnd;
  bool operator==(const Read&) const = default;
};

void PrintTo(const Read& read, std::ostream* os) {
  *os << '"' << read.line << '"' << (read.atEnd ? " at end" : "");
}

struct ReadCase {
  std::string name;
  std::string source;
  std::vector<Read> reads;
};

class ReadNormalizedLineTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadNormalizedLineTest, DeliversNormalisedLinesInOrder) {
  SourceScanner scanner = ScannerOver(GetParam().source);
  std::vector<Read> reads;
  for (std::size_t i = 0; i < GetParam().reads.size(); ++i) {
    const std::string line(scanner.ReadNormalizedLine());
    reads.push_back({line, scanner.AtEndOfSource()});
  }
  EXPECT_EQ(reads, GetParam().reads);
}

const std::string kFullPiece(MaxLineBytes, 'x');

INSTANTIATE_TEST_SUITE_P(
    Lines, ReadNormalizedLineTest,
    ::testing::Values(
        ReadCase{"LastLineWithoutEnd", "a\nB", {{"a", false}, {"b", true}, {"", true}}},
        ReadCase{"LastLineWithEnd", "a\n", {{"a", false}, {"", true}}},
        ReadCase{"Empty", "", {{"", true}, {"", true}}},
        ReadCase{"CrLfAndTrim", "  Foo \r\n\tBar\r\n", {{"foo", false}, {"bar", false}}},
        ReadCase{"LoneCrEndsALine", "a\rb\nc", {{"a", false}, {"b", false}, {"c", true}}},
        ReadCase{"LoneCrAtEndEndsTheLine", "a\r", {{"a", false}, {"", true}}},
        ReadCase{"CrLineEnds", "A\rb\r\rc", {{"a", false}, {"b", false}, {"", false}, {"c", true}}},
        ReadCase{"CrCrLfIsTwoLineEnds", "a\r\r\nb", {{"a", false}, {"", false}, {"b", true}}},
        ReadCase{"OnlyLineEnds",
                 "\r\n\n\r\r\n",
                 {{"", false}, {"", false}, {"", false}, {"", false}, {"", true}}},
        ReadCase{
            "ZeroByteEndsContent", std::string("ab\0cd\nef", 8), {{"ab", false}, {"ef", true}}},
        ReadCase{"InnerWhiteSpaceStays", "\t\v\f <A  B> \n", {{"<a  b>", false}}},
        // Indentation is skipped eight bytes at a time: runs around and past that width.
        ReadCase{"IndentationOfAnyWidth",
                 "       a\n        b\n         c\n                \t d\n                \n",
                 {{"a", false}, {"b", false}, {"c", false}, {"d", false}, {"", false}}},
        ReadCase{"SpaceRunWithTabInside", "    \t    <X>\n", {{"<x>", false}}},
        ReadCase{"HighBytesAreNoWhiteSpace", "\xA0x\x85\n", {{"\xA0x\x85", false}}},
        // Every element a line of its own, as though each stood on one.
        ReadCase{"OneLineDocument",
                 "<?xml version=\"1.0\"?><SimBase.Document Type=\"AceXML\"><Descr>AceXML "
                 "Document</Descr><FlightPlan.FlightPlan><Title>A to B</Title>"
                 "</FlightPlan.FlightPlan></SimBase.Document>",
                 {{"<?xml version=\"1.0\"?>", false},
                  {"<simbase.document type=\"acexml\">", false},
                  {"<descr>acexml document</descr>", false},
                  {"<flightplan.flightplan>", false},
                  {"<title>a to b</title>", false},
                  {"</flightplan.flightplan>", false},
                  {"</simbase.document>", true}}},
        ReadCase{"CompactIcaoBlock",
                 "  <ICAO><ICAORegion>FA</ICAORegion><ICAOIdent>WB</ICAOIdent></ICAO>\r\nx",
                 {{"<icao>", false},
                  {"<icaoregion>fa</icaoregion>", false},
                  {"<icaoident>wb</icaoident>", false},
                  {"</icao>", false},
                  {"x", true}}},
        ReadCase{"BlanksBetweenTagsBeginTheNextLine",
                 "<A> \t <B>x</B>  \t\n",
                 {{"<a>", false}, {"<b>x</b>", false}}},
        ReadCase{"EmptyElement", "<Descr></Descr>\n", {{"<descr>", false}, {"</descr>", false}}},
        // Only a '>' that closes a tag ends a line; the one in the text closes nothing.
        ReadCase{"GreaterThanInTextClosesNothing",
                 "<Title>A -></Title><X>\n",
                 {{"<title>a -></title>", false}, {"<x>", false}}},
        ReadCase{"GreaterThanInTextBeforeATag", "a> <b>\n", {{"a> <b>", false}}},
        ReadCase{"TextBetweenTagsKeepsTheLine", "<a>x<b> y\n", {{"<a>x<b> y", false}}},
        ReadCase{"BlanksBeforeOtherTextKeepTheLine", "<a> \t x\n", {{"<a> \t x", false}}},
        ReadCase{"OtherWhiteSpaceIsNoBlank", "<a>\v<b>\n", {{"<a>\v<b>", false}}},
        ReadCase{
            "TagStateEndsWithThePhysicalLine", "<a\n> <b>\n", {{"<a", false}, {"> <b>", false}}},
        ReadCase{"TagStateEndsAtALoneCr", "x<a \r b> <c>\n", {{"x<a", false}, {"b> <c>", false}}},
        // Splitting comes before the zero byte's rule.
        ReadCase{"ZeroByteDoesNotHideASplit",
                 std::string("<a\0> <b>\n", 9),
                 {{"<a", false}, {"<b>", false}}},
        // The buffer is lowered ahead in stretches; a line reaches past the first one.
        ReadCase{"LettersPastTheFirstStretchLowered",
                 std::string(5000, 'X') + "ABC\nDEF\n" + std::string(4090, ' ') + "GHIJKL\n",
                 {{std::string(5000, 'x') + "abc", false}, {"def", false}, {"ghijkl", false}}},
        // A line of UTF-8 is read as its twin in the code page, before it is lowered.
        ReadCase{"Utf8LineReadAsItsTwin",
                 "Almer\xC3\xAD"
                 "a \xC3\x89\n",
                 {{"almer\xED"
                   "a \xE9",
                   false}}},
        ReadCase{"Utf8DegreeSignIsOneByte", "N47\xC2\xB0 26'\n", {{"n47\xB0 26'", false}}},
        ReadCase{"Utf8BaseLettersAndQuestionMark",
                 "\xC5\x81\xC3\xB3"
                 "d\xC5\xBA \xE6\x9D\xB1\n",
                 {{"l\xF3"
                   "dz ?",
                   false}}},
        ReadCase{"NoUtf8TakenAsItStands", "M\xFCnchen \xC3\n", {{"m\xFCnchen \xE3", false}}},
        ReadCase{"EachLineDecidedAlone",
                 "\xC3\x89\n\xC9\n\xC3\x89 \xC9\n",
                 {{"\xE9", false}, {"\xE9", false}, {"\xE3\x89 \xE9", false}}},
        ReadCase{
            "ZeroByteCutsBeforeTheTwin", std::string("\xC3\x89\0\xC3\n", 5), {{"\xE9", false}}},
        // The buffer is lowered ahead of the line; a UTF-8 lead byte there must stay as it is.
        ReadCase{"Utf8AfterAnAsciiLine",
                 std::string(100, 'X') + "\n\xC3\x89\xC3\x80\n",
                 {{std::string(100, 'x'), false}, {"\xE9\xE0", false}}},
        ReadCase{"Windows1252Capitals",
                 "\xC0\xD6\xD7\xD8\xDE\x8A\x8C\x8E\x9F\n",
                 {{"\xE0\xF6\xD7\xF8\xFE\x9A\x9C\x9E\xFF", false}}},
        ReadCase{"ExactlyOnePiece",
                 kFullPiece + "\nnext",
                 {{kFullPiece, false}, {"", false}, {"next", true}}},
        ReadCase{"OneByteOverAPiece", kFullPiece + "y\n", {{kFullPiece, false}, {"y", false}}},
        ReadCase{"CrLfRightAfterAPiece",
                 kFullPiece + "\r\nz",
                 {{kFullPiece, false}, {"", false}, {"z", true}}},
        // A UTF-16 source reads as its UTF-8 twin, without the mark.
        ReadCase{"Utf16LittleEndian",
                 Utf16("A\xC2\xB0\r\n\xF0\x90\x8D\x88", false),
                 {{"a\xB0", false}, {"?", true}}},
        ReadCase{"Utf16ThreeByteCharacter", Utf16("\xE2\x82\xAC\n", true), {{"\x80", false}}},
        ReadCase{"Utf16BigEndian", Utf16("x\ny", true), {{"x", false}, {"y", true}}},
        ReadCase{"Utf16UnpairedSurrogates",
                 std::string("\xFF\xFE\x00\xD8"
                             "a\x00\x00\xDC\n\x00",
                             10),
                 {{"?a?", false}}},
        ReadCase{"Utf16FinalOddByte", std::string("\xFE\xFF\x00z!", 5), {{"z?", true}}},
        ReadCase{"Utf16ZeroCharacterEndsContent",
                 Utf16(std::string("ab\0c\nd", 6), false),
                 {{"ab", false}, {"d", true}}},
        ReadCase{"HalfAMarkIsContent", "\xFF\xFFx\n\xFE", {{"\xFF\xFFx", false}, {"\xFE", true}}},
        ReadCase{"MarkAfterTheFirstByteIsContent", " \xFF\xFE", {{"\xFF\xFE", true}}},
        ReadCase{"Utf16WithoutMarkIsBytes", Utf16("ab", false, false), {{"a", true}}}),
    [](const auto& test) { return test.param.name; });

std::vector<Read> ReadAll(const std::string& source, ScannerLimits limits) {
  SourceScanner scanner(std::make_unique<std::stringbuf>(source, std::ios::in),
                        Windows1252CaseRules(), limits);
  std::vector<Read> reads;
  while (!scanner.Exhausted()) {
    const std::string line(scanner.ReadNormalizedLine());
    reads.push_back({line, scanner.AtEndOfSource()});
  }
  return reads;
}

void BuffersAndPiecesDoNotChangeTheLines(const std::string& source) {
  const std::vector<Read> whole = ReadAll(source, {});
  for (std::size_t bufferBytes = 1; bufferBytes <= source.size(); ++bufferBytes) {
    EXPECT_EQ(ReadAll(source, {MaxLineBytes, bufferBytes}), whole) << bufferBytes;
  }
  for (std::size_t pieceBytes = 1; pieceBytes <= 4; ++pieceBytes) {
    const std::vector<Read> pieces = ReadAll(source, {pieceBytes, 65536});
    for (std::size_t bufferBytes = 1; bufferBytes <= 5; ++bufferBytes) {
      EXPECT_EQ(ReadAll(source, {pieceBytes, bufferBytes}), pieces)
          << pieceBytes << " " << bufferBytes;
    }
  }
}

// CR LF is one line end and a lone CR another: neither counts in a piece.
TEST(SourceScannerTest, PiecesCountCharactersAfterTheLineEndRule) {
  EXPECT_EQ(ReadAll("abcdefg\r\nabc\r\nh\ri\nj", {3, 65536}), (std::vector<Read>{{"abc", false},
                                                                                 {"def", false},
                                                                                 {"g", false},
                                                                                 {"abc", false},
                                                                                 {"", false},
                                                                                 {"h", false},
                                                                                 {"i", false},
                                                                                 {"j", true}}));
}

struct PieceCase {
  std::string name;
  std::string source;
  std::size_t pieceBytes;
  std::vector<Read> reads;
};

class SplitPiecesTest : public ::testing::TestWithParam<PieceCase> {};

// A split ends a line as a line end would, also where it meets the piece's budget, and the
// blanks behind it count in the next line's pieces.
TEST_P(SplitPiecesTest, CutsEachLineIntoPieces) {
  EXPECT_EQ(ReadAll(GetParam().source, {GetParam().pieceBytes, 65536}), GetParam().reads);
  BuffersAndPiecesDoNotChangeTheLines(GetParam().source);
}

INSTANTIATE_TEST_SUITE_P(
    Splits, SplitPiecesTest,
    ::testing::Values(
        // A piece that ends with the '>' leaves the split to the next read, as it would a LF.
        PieceCase{"SplitRightAtTheLimit",
                  "<a><b>\n<abc>  <d>\n",
                  3,
                  {{"<a>", false},
                   {"", false},
                   {"<b>", false},
                   {"", false},
                   {"<ab", false},
                   {"c>", false},
                   {"<", false},
                   {"d>", false},
                   {"", true}}},
        PieceCase{"BlanksPastTheLimitBeforeATag",
                  "<a>     <b>",
                  3,
                  {{"<a>", false}, {"", false}, {"", false}, {"<", false}, {"b>", true}}},
        PieceCase{"BlanksPastTheLimitBeforeText",
                  "<a>     x",
                  4,
                  {{"<a>", false}, {"", false}, {"x", true}}},
        PieceCase{"BlanksPastTheLimitBeforeTheLineEnd",
                  "<a>     \nx",
                  4,
                  {{"<a>", false}, {"", false}, {"", false}, {"x", true}}},
        PieceCase{"TagOpenAcrossPieces",
                  "<abcdef>  <g>\r\n",
                  3,
                  {{"<ab", false},
                   {"cde", false},
                   {"f>", false},
                   {"<", false},
                   {"g>", false},
                   {"", true}}},
        PieceCase{"Utf8CutByThePieceIsNoUtf8",
                  "ab\xC3\x89\n\xC3\x89",
                  3,
                  {{"ab\xE3", false}, {"\x89", false}, {"\xE9", true}}},
        PieceCase{"BlanksInsideAPieceKept", "<a> \tx<b>", 6, {{"<a> \tx", false}, {"<b>", true}}}),
    [](const auto& test) { return test.param.name; });

struct NumberCase {
  std::string name;
  std::string source;
  ScannerLimits limits;
  std::vector<std::pair<std::string, std::int64_t>> lines;  // each read's line and its number
};

class LineNumberTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(LineNumberTest, CountsEveryLineEnd) {
  SourceScanner scanner(std::make_unique<std::stringbuf>(GetParam().source, std::ios::in),
                        Windows1252CaseRules(), GetParam().limits);
  std::vector<std::pair<std::string, std::int64_t>> lines;
  while (!scanner.Exhausted()) {
    const std::string line(scanner.ReadNormalizedLine());
    if (!scanner.Exhausted() || !line.empty()) lines.emplace_back(line, scanner.LineNumber());
  }
  EXPECT_EQ(lines, GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, LineNumberTest,
    ::testing::Values(NumberCase{"EachKindOfLineEnd",
                                 "a\nb\r\nc\rd\r\re",
                                 {},
                                 {{"a", 1}, {"b", 2}, {"c", 3}, {"d", 4}, {"", 5}, {"e", 6}}},
                      NumberCase{"SplitLinesKeepTheirNumber",
                                 "<a><b>\n<c>  <d>",
                                 {},
                                 {{"<a>", 1}, {"<b>", 1}, {"<c>", 2}, {"<d>", 2}}},
                      NumberCase{"AfterALineLongerThanTheBuffer",
                                 "0123456789abcdef\nx\r\ny",
                                 {65536, 8},
                                 {{"0123456789abcdef", 1}, {"x", 2}, {"y", 3}}},
                      NumberCase{"AfterALineLongerThanAPiece",
                                 "abcdefgh\nx\ry",
                                 {4, 5},
                                 {{"abcd", 1}, {"efgh", 1}, {"", 1}, {"x", 2}, {"y", 3}}},
                      NumberCase{"LoneCrAtTheBuffersEnd",
                                 "abc\rd\r\ne",
                                 {65536, 4},
                                 {{"abc", 1}, {"d", 2}, {"e", 3}}}),
    [](const auto& test) { return test.param.name; });

// Where the buffer ends must not matter, least of all between a CR and its LF.
TEST(SourceScannerTest, BufferSizeDoesNotChangeTheLines) {
  using namespace std::string_literals;
  const std::string bytes = "a\r\nb\rc\r\r\n\nd\0e\r\nlong line \xC2\xB0 here\r\n\rx"s;
  // Decoded characters are handed out byte by byte when the buffer is smaller than they are.
  for (const std::string& source : {bytes, Utf16(bytes, false), Utf16(bytes, true)}) {
    BuffersAndPiecesDoNotChangeTheLines(source);
    EXPECT_EQ(ReadAll(source, {}), ReadAll(bytes, {}));
  }
}

TEST(SourceScannerTest, TagStraddlingTwoPiecesIsFoundInNeither) {
  const std::string source(MaxLineBytes - 3, ' ');
  SourceScanner scanner = ScannerOver(source + "<title>x</title>\n");
  scanner.ReadNormalizedLine();
  EXPECT_FALSE(scanner.LineContains("<title>"));
  scanner.ReadNormalizedLine();
  EXPECT_FALSE(scanner.LineContains("<title>"));
}

// Characters at the edges of each UTF-8 length, from both byte orders.
TEST(SourceScannerTest, Utf16DecodesEveryLengthOfUtf8) {
  const std::string characters =
      "\x7F|\xC2\x80|\xDF\xBF|\xE0\xA0\x80|\xE2\x82\xAC|\xEF\xBF\xBF|\xF0\x90\x80\x80|"
      "\xF4\x8F\xBF\xBF";
  for (const bool bigEndian : {false, true}) {
    SourceDecoder decoder(
        std::make_unique<std::stringbuf>(Utf16(characters, bigEndian), std::ios::in));
    std::string decoded;
    char byte = 0;
    while (decoder.Read(&byte, 1) == 1) decoded += byte;
    EXPECT_EQ(decoded, characters) << bigEndian;
  }
}

struct CutCase {
  std::string line;
  std::string tag;
  std::string value;
};

class ElementValueTest : public ::testing::TestWithParam<CutCase> {};

TEST_P(ElementValueTest, CutsByPosition) {
  SourceScanner scanner = ScannerOver(GetParam().line);
  scanner.ReadNormalizedLine();
  EXPECT_EQ(scanner.ElementValue(GetParam().tag), GetParam().value);
  EXPECT_EQ(scanner.Line(), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ElementValueTest,
    ::testing::Values(CutCase{"<title>eddf to eddm</title>", "<title>", "eddf to eddm"},
                      CutCase{"<title></title>", "<title>", ""}, CutCase{"<title>", "<title>", ""},
                      CutCase{"<title>abcdefghijklmnopqrst", "<title>", "abcdefghijkl"},
                      CutCase{"<departureid>eddf</departureid>x", "<departureid>", "eddf<"},
                      CutCase{"<Title> a </Title>", "<title>", " a "},
                      CutCase{"xx<fptype>ifr</fptype>", "<fptype>", "e>ifr"}));

struct ClampCase {
  std::ptrdiff_t first;
  std::ptrdiff_t count;
  std::string cut;
};

class CutLineTest : public ::testing::TestWithParam<ClampCase> {};

TEST_P(CutLineTest, ClampsToTheLine) {
  SourceScanner scanner = ScannerOver("abcdef");
  scanner.ReadNormalizedLine();
  EXPECT_EQ(scanner.CutLine(GetParam().first, GetParam().count), GetParam().cut);
}

INSTANTIATE_TEST_SUITE_P(Clamping, CutLineTest,
                         ::testing::Values(ClampCase{1, 3, "bcd"}, ClampCase{-5, 2, "ab"},
                                           ClampCase{2, -1, ""}, ClampCase{4, 100, "ef"},
                                           ClampCase{6, 1, ""}, ClampCase{60, 1, ""},
                                           ClampCase{0, 0, ""}));

TEST(SourceScannerTest, TagPositionSearchesFromStart) {
  SourceScanner scanner = ScannerOver("a>b>c");
  scanner.ReadNormalizedLine();
  EXPECT_EQ(scanner.TagPosition(">", 0), 1);
  EXPECT_EQ(scanner.TagPosition(">", 2), 3);
  EXPECT_EQ(scanner.TagPosition(">", 4), -1);
  EXPECT_EQ(scanner.TagPosition(">", 9), -1);
}

struct FindCase {
  std::string name;
  std::string source;
  std::optional<std::string> scopeEnd;
  std::string value;
  std::string nextLine;  // what the read after the search delivers
};

class FindElementTest : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindElementTest, StopsAtTagScopeEndOrEndOfSource) {
  SourceScanner scanner = ScannerOver(GetParam().source);
  std::optional<std::string_view> scopeEnd;
  if (GetParam().scopeEnd) scopeEnd = *GetParam().scopeEnd;
  EXPECT_EQ(scanner.FindElement("<fptype>", scopeEnd), GetParam().value);
  EXPECT_EQ(scanner.ReadNormalizedLine(), GetParam().nextLine);
}

INSTANTIATE_TEST_SUITE_P(
    Searches, FindElementTest,
    ::testing::Values(
        FindCase{"Found", "a\n<FPType>IFR</FPType>\nb\n", "</end>", "ifr", "b"},
        FindCase{"ScopeEndFirst", "</end>\n<fptype>ifr</fptype>\n", "</end>", "",
                 "<fptype>ifr</fptype>"},
        FindCase{"ScopeEndAnyCaseOrIndent", "  </END> \n<fptype>x</fptype>\n", "</end>", "",
                 "<fptype>x</fptype>"},
        FindCase{"ScopeEndWithMoreTextDoesNotEnd", "</end> -- c\n<fptype>x</fptype>\n", "</end>",
                 "x", ""},
        // A tag behind the end tag begins a line of its own.
        FindCase{"ScopeEndBeforeATagOnTheSameLine", "</end> <!-- c -->\n<fptype>x</fptype>\n",
                 "</end>", "", "<!-- c -->"},
        FindCase{"EmptyElementOnOneLine", "<FPType></FPType>\nb\n", "</end>", "", "</fptype>"},
        FindCase{"TagTestComesFirst", "<fptype>x</fptype>\n", "<fptype>x</fptype>", "x", ""},
        FindCase{"EndOfSourceEndsSearch", "a\nb", "</end>", "", ""},
        FindCase{"NoScopeEndStillEndsAtEndOfSource", "a\nb\n", std::nullopt, "", ""},
        FindCase{"LastLineWithoutEndIsTested", "a\n<fptype>vfr</fptype>", "</end>", "vfr", ""}),
    [](const auto& test) { return test.param.name; });

TEST(SourceScannerTest, RewindReadsAgainFromTheFirstLineAfterTheEnd) {
  for (const std::string& source : {std::string("one\ntwo"), Utf16("one\ntwo", false)}) {
    SourceScanner scanner = ScannerOver(source);
    EXPECT_EQ(scanner.FindElement("<none>", std::nullopt), "");
    EXPECT_TRUE(scanner.AtEndOfSource());
    scanner.RewindSource();
    EXPECT_FALSE(scanner.Exhausted());
    EXPECT_EQ(scanner.ReadNormalizedLine(), "one");
  }
}

TEST(SourceScannerTest, ResyncGoesOnWithTheNextLine) {
  SourceScanner scanner = ScannerOver("one\ntwo\nthree\n");
  scanner.ReadNormalizedLine();
  scanner.ResyncSource();
  EXPECT_EQ(scanner.ReadNormalizedLine(), "two");
}

TEST(SourceScannerTest, ResyncKeepsTheEndOfSource) {
  SourceScanner scanner = ScannerOver("one");
  scanner.ReadNormalizedLine();
  scanner.ResyncSource();
  EXPECT_TRUE(scanner.AtEndOfSource());
  EXPECT_EQ(scanner.ReadNormalizedLine(), "");
}

TEST(SourceScannerTest, SourceThatCouldNotBeOpenedStaysFailed) {
  SourceScanner scanner(nullptr, Windows1252CaseRules());
  EXPECT_TRUE(scanner.Exhausted());
  EXPECT_FALSE(scanner.AtEndOfSource());
  scanner.RewindSource();
  EXPECT_TRUE(scanner.Exhausted());
  EXPECT_EQ(scanner.FindElement("<title>", std::nullopt), "");
}

}  // namespace
}  // namespace tarnwick
