#include "source_scanner.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "scanner_model.h"
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
        // A start tag alone and its end tag on the next line are a value over lines.
        ReadCase{"EmptyElement", "<Descr></Descr>\n", {{"<descr></descr>", false}}},
        // Only a '>' that closes a tag ends a line; the one in the text closes nothing.
        ReadCase{"GreaterThanInTextClosesNothing",
                 "<Title>A -></Title><X>\n",
                 {{"<title>a -></title>", false}, {"<x>", false}}},
        ReadCase{"GreaterThanInTextBeforeATag", "a> <b>\n", {{"a> <b>", false}}},
        ReadCase{"TextBetweenTagsKeepsTheLine", "<a>x<b> y\n", {{"<a>x<b> y", false}}},
        ReadCase{"BlanksBeforeOtherTextKeepTheLine", "<a> \t x\n", {{"<a> \t x", false}}},
        ReadCase{"OtherWhiteSpaceIsNoBlank", "<a>\v<b>\n", {{"<a>\v<b>", false}}},
        // A tag open at the end of its physical line goes on over the next ones, with one space.
        ReadCase{
            "TagOpenAtTheLineEndJoinsTheNext", "<a\n> <b>\n", {{"<a>", false}, {"<b>", false}}},
        ReadCase{
            "TagOpenAtALoneCrJoinsTheNext", "x<a \r b> <c>\n", {{"x<a b>", false}, {"<c>", false}}},
        ReadCase{"TagOverThreeLines",
                 "<ATCWaypoint\n  type=\"x\"\r\n\tid='Y' >\n",
                 {{"<atcwaypoint id=\"y\">", false}}},
        ReadCase{"TagOpenAgainAfterItsJoin",
                 "<Title\n>EDDF to EDDM</Title\r>\n",
                 {{"<title>eddf to eddm</title>", false}}},
        ReadCase{
            "TagNotJoinedWhereATagComesFirst", "x <a\n<b>\n", {{"x <a", false}, {"<b>", false}}},
        // White space before a tag's '>' is dropped; a waypoint start tag gets one spelling.
        ReadCase{"WaypointStartTagSpellings",
                 "<ATCWaypoint ID = \"a\" x='1'/>\n<atcwaypoint xid=\"b\">\n<ATCWaypoint id=c>\n",
                 {{"<atcwaypoint id=\"a\">", false},
                  {"<atcwaypoint>", false},
                  {"<atcwaypoint>", false}}},
        ReadCase{"GreaterThanInQuotesEndsTheTag",
                 "<ATCWaypoint id=\"a>b\">\n",
                 {{"<atcwaypoint>b\">", false}}},
        // Comments are not read but for their line ends; CDATA is its text, escaped.
        ReadCase{"CommentKeepsItsLineEnds",
                 "a<!-- x\ny -->b\n<!--z-->\nc",
                 {{"a", false}, {"b", false}, {"", false}, {"c", true}}},
        ReadCase{"CommentOpenerIsNoCloser",
                 "<!-->x-->y\n<!--->z\n",
                 {{"y", false}, {"", false}, {"", true}}},
        ReadCase{
            "UnclosedCommentRunsToTheEnd", "a\n<!-- b\nc", {{"a", false}, {"", false}, {"", true}}},
        ReadCase{"CdataHidesACommentAndACommentHidesCdata",
                 "<![CDATA[<!--]]>x\n<!--<![CDATA[-->y\n",
                 {{"&lt;!--x", false}, {"y", false}}},
        // A value over lines is joined into its start tag's line.
        ReadCase{
            "ValueOnLinesOfItsOwn",
            "<ATCWaypointType>\nVOR\n</ATCWaypointType>\n<Descr>\n\nA,\nB\n</Descr>\n",
            {{"<atcwaypointtype>vor</atcwaypointtype>", false}, {"<descr>a, b</descr>", false}}},
        ReadCase{"ValueNotJoinedOverATag",
                 "<ICAO>\n<ICAORegion>K1</ICAORegion>\n</ICAO>\n",
                 {{"<icao>", false}, {"<icaoregion>k1</icaoregion>", false}, {"</icao>", false}}},
        ReadCase{"WaypointStartLineNotJoined",
                 "<ATCWaypoint>\nx\n</ATCWaypoint>\n",
                 {{"<atcwaypoint>", false}, {"x", false}, {"</atcwaypoint>", false}}},
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
        PieceCase{"BlanksInsideAPieceKept", "<a> \tx<b>", 6, {{"<a> \tx", false}, {"<b>", true}}},
        // Nothing is joined past the budget of one read.
        PieceCase{"ValueNotJoinedPastTheBudget",
                  "<a>xy\nz</a>\n",
                  6,
                  {{"<a>xy", false}, {"z</a>", false}, {"", true}}}),
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
    ::testing::Values(
        NumberCase{"EachKindOfLineEnd",
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
        NumberCase{"JoinedLinesKeepTheFirstNumber",
                   "<a\nb=\"1\"><c>\n<d>x\ny</d>\n<!--\n-->z",
                   {},
                   {{"<a b=\"1\">", 1}, {"<c>", 1}, {"<d>x y</d>", 3}, {"", 5}, {"z", 6}}},
        NumberCase{
            "LoneCrAtTheBuffersEnd", "abc\rd\r\ne", {65536, 4}, {{"abc", 1}, {"d", 2}, {"e", 3}}}),
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
        FindCase{"ScopeEndBeforeAComment", "</end> <!-- c -->\n<fptype>x</fptype>\n", "</end>", "",
                 "<fptype>x</fptype>"},
        FindCase{"EmptyElementOnOneLine", "<FPType></FPType>\nb\n", "</end>", "", "b"},
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

// Plan-like sources made at random, each from a seed of its own: element lines of every length
// and each kind of line end, with the shapes that take the scanner off its short way. Every draw is
// sequenced (parts are put from braced lists), so that a seed makes one source on any compiler.
class PlanLikeSource {
 public:
  explicit PlanLikeSource(std::uint32_t seed) : random_(seed) {}

  std::string Make() {
    const std::size_t size = 1024 + Below(194 * 1024);
    lineEnd_ = Pick({"\n", "\n", "\r\n", "\r"});
    // A line longer than the default piece in every third source or so.
    constexpr std::size_t kLongLine = 70000;
    std::size_t longLineAt = size > 80 * 1024 && OneIn(2) ? Below(size - 80 * 1024) : size;
    std::string out;
    while (out.size() < size) {
      if (out.size() >= longLineAt) {
        longLineAt = size;
        if (OneIn(2)) {
          Put(out, {"<Descr>", Text(kLongLine), "</Descr>", End()});
        } else {
          for (const std::size_t start = out.size(); out.size() - start < kLongLine;) {
            out += TagRun();
          }
          out += End();
        }
      }
      Append(out);
    }
    // A comment or CDATA section that never ends.
    if (OneIn(20)) Put(out, {Pick({"<!-- ", "<![CDATA["}), Text(Below(100)), End()});
    return out;
  }

 private:
  static void Put(std::string& out, std::initializer_list<std::string> parts) {
    for (const std::string& part : parts) out += part;
  }
  // Slightly uneven, which does not matter here; a draw per byte of text must be cheap.
  std::size_t Below(std::size_t n) { return random_() % n; }
  bool OneIn(std::size_t n) { return Below(n) == 0; }
  std::string Pick(std::initializer_list<std::string_view> options) {
    return std::string(options.begin()[Below(options.size())]);
  }
  std::string End() { return OneIn(10) ? Pick({"\n", "\r\n", "\r", "\r\r\n", "\n\r"}) : lineEnd_; }
  std::string Indent() {
    const std::size_t width = Below(14);
    return std::string(width, OneIn(4) ? '\t' : ' ');
  }
  std::string Blanks() {
    return OneIn(8) ? std::string(20 + Below(200), ' ') : Pick({"", " ", "\t", " \t "});
  }
  // Text without brackets or line ends, some of it UTF-8 or other bytes from 80 hex up.
  static constexpr std::string_view kHighText[] = {"\xC2\xB0", "\xC3\xAD", "\xE2\x80\x93", "\xE9"};
  std::string Text(std::size_t length) {
    std::string text;
    while (text.size() < length) {
      const std::size_t draw = random_();
      text += draw % 30 > 0 ? std::string_view(" aZ09.,'\"-_=/!?").substr(draw / 30 % 15, 1)
                            : kHighText[draw / 30 % 4];
    }
    return text;
  }
  std::string Ident() { return "K" + Text(Below(40)); }
  // A tag that a split parts from what follows, in every other case, the blanks between often
  // reaching past a small piece.
  std::string SplitBefore() {
    if (OneIn(2)) return "";
    return "<ATCWaypoint id=\"q\">" + (OneIn(2) ? Blanks() : std::string(Below(80), ' '));
  }
  std::string TagRun() {
    std::string run;
    Put(run, {"<ICAO>", Blanks(), "<ICAORegion>K1</ICAORegion>", Blanks(), "<ICAOIdent>", Ident(),
              "</ICAOIdent>", Blanks(), "</ICAO>", Blanks()});
    return run;
  }

  void Append(std::string& out) {
    switch (Below(14)) {
      case 0:
        Put(out,
            {"<WorldPosition>N47\xC2\xB0 ", std::to_string(Below(60)), "' 56.40\",W122\xC2\xB0 ",
             std::to_string(Below(60)), "' 42.60\",+000429.00</WorldPosition>", End()});
        break;
      case 1:
        Put(out, {Indent(), "<ATCWaypoint id=\"", Ident(), "\">", End(), Indent(),
                  "<ATCWaypointType>", Pick({"VOR", "NDB", "Intersection", "User"}),
                  "</ATCWaypointType>", End(), Indent(), "</ATCWaypoint>", End()});
        break;
      case 2:
        Put(out, {Indent(), "<Descr>", Text(Below(300)), "</Descr>", End()});
        break;
      case 3:
        Put(out, {Indent(),
                  Pick({"<?xml version=\"1.0\" encoding=\"UTF-8\"?>", "<ICAO>", "</ICAO>",
                        "<Title>KSEA to CYYJ</Title>",
                        "<DepartureName>Almer\xC3\xAD"
                        "a</DepartureName>",
                        "<Descr>KSEA -> \t<CYYJ> via V23</Descr>", "x> <y"}),
                  End()});
        break;
      case 4:
        Put(out, {Text(Below(120)), End()});
        break;
      case 5:
        for (std::size_t i = Below(20); i > 0; --i) out += TagRun();
        out += End();
        break;
      case 6:
        // A tag left open over a long stretch and closed later.
        Put(out, {Pick({"<a ", "<WorldPosition "}), Text(10 + Below(5000)), OneIn(3) ? End() : "",
                  Text(Below(50)), ">", Blanks(), "<b>", End()});
        break;
      case 7:
        Put(out, {Pick({"<!--", "<!-->", "<!---", "<a><!--"}), Text(Below(80))});
        if (OneIn(2)) Put(out, {End(), Text(Below(80))});
        Put(out, {"-->", Blanks(), Pick({"", "<b>", "x"}), End()});
        break;
      case 8:
        Put(out, {"<Descr><![CDATA[", Text(Below(40)), Pick({"<", ">", "&", "]]", "<!--"}),
                  OneIn(2) ? End() : "", Text(Below(40)), "]]></Descr>", End()});
        break;
      case 9:
        // Tags over lines.
        Put(out, {Indent(), SplitBefore(), Pick({"<ATCWaypoint", "<ATCWaypoint id=\"X\"", "<a"}),
                  End(), OneIn(3) ? End() : "", Indent(),
                  OneIn(4) ? "id=\"" + Ident() + "\">" : Pick({"id = 'y' ", "b=\"1\" /", ""}),
                  OneIn(2) ? End() : "", Blanks(), ">", Blanks(), Pick({"", "<c>", "<d"}), End()});
        break;
      case 10:
        Put(out, {Indent(),
                  Pick({"<ATCWaypointType >VOR</ATCWaypointType >", "<br / >", "<br />",
                        "<ATCWaypoint   id=\"X\"   >", "<ATCWaypoint\tID='X' Extra=\"1\">",
                        "<ATCWaypoint xid=\"a\" id=\"b\"/>", "<ATCWaypointX id=\"c\">"}),
                  End()});
        break;
      case 11:
        // Values over lines.
        Put(out, {Indent(), SplitBefore(), Pick({"<ATCWaypointType>VOR", "<Title>", "<Descr>x"}),
                  End(), OneIn(2) ? End() : "", Indent(), Text(Below(30)), End(), Indent(),
                  Pick({"</ATCWaypointType>", "</Title>", "</Descr>", "</Title\n>"}), End()});
        break;
      default:
        // Bytes and markup at random.
        for (std::size_t i = Below(40); i > 0; --i) {
          constexpr std::string_view kBytes("<>/!-[]? \t\r\n\"'=a\0\xC3\xA9\v", 20);
          if (OneIn(4)) {
            out += Pick({"id", "\xC2\xB0", "<atcwaypoint", "<!--", "-->", "<![CDATA[", "]]>"});
          } else {
            out += kBytes[Below(kBytes.size())];
          }
        }
    }
  }

  std::mt19937 random_;
  std::string lineEnd_;
};

// A line for a failure message: its length, and its ends where it is long, bytes that do not
// print escaped.
std::string Shown(const std::string& line) {
  const std::string cut =
      line.size() <= 80 ? line : line.substr(0, 50) + "\x01..." + line.substr(line.size() - 24);
  std::string shown;
  for (const char byte : cut) {
    const auto value = static_cast<unsigned char>(byte);
    if (byte == '\x01') {
      continue;
    } else if (value < 0x20 || value >= 0x7F || byte == '\\') {
      const char* const hex = "0123456789ABCDEF";
      shown += std::string("\\x") + hex[value >> 4] + hex[value & 15];
    } else {
      shown += byte;
    }
  }
  return "\"" + shown + "\" (" + std::to_string(line.size()) + " bytes)";
}

std::string Shown(const testing::ModelRead& read) {
  return Shown(read.line) + " line " + std::to_string(read.number) + (read.atEnd ? " at end" : "") +
         (read.exhausted ? " exhausted" : "");
}

// The first read in which the scanner and the model differ, told; empty where none does.
std::string FirstDifference(const std::string& source, ScannerLimits limits) {
  SourceScanner scanner(std::make_unique<std::stringbuf>(source, std::ios::in),
                        Windows1252CaseRules(), limits);
  testing::ScannerModel model(source, limits.maxLineBytes, Windows1252CaseRules());
  // Every read up to the end, and the failed one after it.
  for (std::size_t read = 1;; ++read) {
    const bool last = model.Exhausted();
    const testing::ModelRead expected = model.Read();
    const std::string line(scanner.ReadNormalizedLine());
    const testing::ModelRead actual{line, scanner.LineNumber(), scanner.AtEndOfSource(),
                                    scanner.Exhausted()};
    if (actual != expected) {
      return "read " + std::to_string(read) + ": expected " + Shown(expected) + "\n  but got " +
             Shown(actual);
    }
    if (last) return "";
  }
}

// Sources long enough for the scanner's short ways (whole lines in the buffer, the pre-scan of
// 16-byte blocks, the long-line path) read as the plain model of its rules reads them, at the
// default limits and at small ones.
TEST(SourceScannerTest, ReadsPlanLikeSourcesAsTheModelOfItsRules) {
  constexpr std::uint32_t kSeed = 612;
  const ScannerLimits small[] = {{61, 65536}, {700, 1500}, {8192, 333}, {40, 97}};
  for (std::uint32_t index = 0; index < 300; ++index) {
    const std::string source = PlanLikeSource(kSeed + index).Make();
    for (const ScannerLimits limits : {ScannerLimits{}, small[index % 4]}) {
      const std::string difference = FirstDifference(source, limits);
      ASSERT_TRUE(difference.empty())
          << difference << "\n  in the source of seed " << kSeed << " + " << index << ", "
          << source.size() << " bytes, limits " << limits.maxLineBytes << " piece / "
          << limits.bufferBytes << " buffer";
    }
  }
}

}  // namespace
}  // namespace tarnwick
