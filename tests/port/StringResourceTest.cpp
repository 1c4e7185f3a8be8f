#include "port/StringResource.h"
#include "port/PortErrors.h"

#include "support/TempFolder.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <string>
#include <vector>

using port::EStringResourceError;
using port::TStringResource;

namespace {

std::string OpenError(const std::string& name) {
    try {
        TStringResource table(nullptr, name);
    } catch (const EStringResourceError& e) {
        return e.Message();
    }
    return "opened";
}

#ifndef _WIN32
// The message-table compiler is a build tool of the host.
struct Dumped {
    int status;
    std::vector<std::string> lines;
};

Dumped RunStrTable(const std::string& arguments) {
    Dumped result{};
    FILE* pipe = ::popen((std::string(STRTABLE) + " " + arguments + " 2>&1").c_str(), "r");
    std::string output;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, n);
    result.status = ::pclose(pipe);
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);)
        result.lines.push_back(line);
    return result;
}

#endif

} // namespace

TEST(StringResource, TextsAreFoundAtBothEndsAndConvertedToTheCodePage) {
    TStringResource table(nullptr, "SAMPLE_TABLE");
    EXPECT_EQ(table.TextById(-2147483647 - 1), "first");
    EXPECT_EQ(table.TextById(2147483647), "last");
    EXPECT_EQ(table.TextById(1), "\xA4\xA4\xA4\xE5") << "中文 in Big5";
    EXPECT_EQ(table.TextById(7), "line\none");
    EXPECT_EQ(table.TextById(2), "") << "a text of length 0";
    EXPECT_EQ(table.TextById(3), "") << "no such entry";
    EXPECT_EQ(table.TextById(0), "");

    table.RaiseOnMissing = true;
    EXPECT_EQ(table.TextById(2), "") << "an empty text is still an entry";
    try {
        table.TextById(3);
        ADD_FAILURE() << "a missing entry must raise";
    } catch (const EStringResourceError& e) {
        EXPECT_EQ(e.Message(), "String not found: 3");
    }
    EXPECT_EQ(table.TextById(-2147483647 - 1), "first") << "the table is unlocked after a failed lookup";
}

TEST(StringResource, MissingAndMalformedTablesAreRefused) {
    EXPECT_EQ(OpenError("NO_SUCH_TABLE"), "String resource not found: NO_SUCH_TABLE");
    EXPECT_EQ(OpenError("BAD_MAGIC"), "Invalid string resource");
    EXPECT_EQ(OpenError("TRUNCATED"), "Invalid string resource") << "entries beyond the resource";
    EXPECT_EQ(OpenError("sample_table"), "opened") << "names ignore letter case";

    TStringResource table(nullptr, "");
    table.Open(nullptr, "SAMPLE_TABLE");
    EXPECT_EQ(table.TextById(2147483647), "last");
    table.Close();
    EXPECT_THROW(table.TextById(1), EStringResourceError) << "a closed table has nothing to lock";
}

TEST(StringResource, FillInReplacesTheFirstPlaceholder) {
    EXPECT_EQ(port::FillIn("String not found: %d", "12"), "String not found: 12");
    EXPECT_EQ(port::FillIn("100% of %s and %s", "a"), "100% of a and %s");
    EXPECT_EQ(port::FillIn("no placeholder", "x"), "no placeholder");
}

#ifndef _WIN32
TEST(StrTable, TheBuiltTablesDumpInOrderWithTheirTexts) {
    const Dumped errors = RunStrTable(std::string("dump ") + ERROR_TABLE);
    ASSERT_EQ(errors.status, 0);
    ASSERT_EQ(errors.lines.size(), 830u);
    std::map<long, std::string> texts;
    long previous = -1;
    for (const std::string& line : errors.lines) {
        const std::size_t tab = line.find('\t');
        ASSERT_NE(tab, std::string::npos) << line;
        const long id = std::stol(line.substr(0, tab));
        EXPECT_GT(id, previous) << "ids strictly ascending";
        previous = id;
        texts[id] = line.substr(tab + 1);
    }
    const std::pair<long, const char*> listed[] = {
        {0, "OK"},
        {2, "File not found"},
        {162, "General failure"},
        {1004, "Terminal buffer greater than 65521"},
        {2011, "The ComNumber property of the TComPort has not been set"},
        {3003, "EnableCommNotification failed"},
        {5503, "CharCount packets must have an end-condition"},
        {9004, "Winsock not initialized - %s"},
        {10035, "Warning : the socket would block on this call"},
        {10037, "WSAEALREADY: watch out, Al is ready"},
        {10061, "The attempt to connect was forcibly refused"},
        {11004, "Valid name, but no data record of requested type"},
        {15001, "No event"},
        {15100, ""},
        {15121, "Sent WON'T"},
        {15351, "Collecting"},
        {15501, "Time      Type      SubType       Data      OtherData"},
        {15608, "DCD "},
        {15703, "Supress Go Ahead"},
        {15742, "Character Set"},
    };
    for (const auto& [id, text] : listed)
        EXPECT_EQ(texts[id], text) << id;

    const Dumped reader = RunStrTable(std::string("dump ") + READER_TABLE);
    EXPECT_EQ(reader.lines, (std::vector<std::string>{"1\tString not found: %d", "2\tCannot lock resource",
                                                      "3\tString resource not found: %s",
                                                      "4\tUnable to open string resource: %s",
                                                      "5\tInvalid string resource"}));
}

TEST(StrTable, SourcesOutOfOrderAndMalformedFilesAreRefused) {
    const test::TempFolder folder("strtable");
    const std::string source = folder.Path("table.txt");
    std::ofstream(source) << "5\tfive\n4\tfour\n";
    const Dumped unordered = RunStrTable(source + " " + folder.Path("table.str0"));
    EXPECT_NE(unordered.status, 0);
    ASSERT_FALSE(unordered.lines.empty());
    EXPECT_NE(unordered.lines[0].find("table.txt:2: ids must ascend"), std::string::npos)
        << unordered.lines[0];

    std::ofstream(source) << "1\ta\\tb\n3\t\n";
    ASSERT_EQ(RunStrTable(source + " " + folder.Path("table.str0")).status, 0);
    EXPECT_EQ(RunStrTable("dump " + folder.Path("table.str0")).lines,
              (std::vector<std::string>{"1\ta\\tb", "3\t"}))
        << "a dump reads back as a source";

    std::ofstream(folder.Path("bad.str0")) << "STR0\xff\xff\xff\x7f";
    EXPECT_NE(RunStrTable("dump " + folder.Path("bad.str0")).status, 0);
}
#endif
