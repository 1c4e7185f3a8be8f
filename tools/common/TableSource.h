// Table sources of the build tools: lines "id<TAB>text" in UTF-8, where \n, \r, \t and \\ stand
// for a line break, a carriage return, a tab and a backslash. Empty lines and lines starting with
// '#' are skipped.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace tools {

struct TableEntry {
    std::int64_t id;
    std::u16string text;
    int line;
};

// Raises std::runtime_error naming the file and line of a malformed line.
std::vector<TableEntry> ReadTableSource(const std::string& path);

// The file's bytes; raises std::runtime_error when it cannot be read.
std::string ReadFile(const std::string& path);

// A text as a table source writes it: UTF-8 with the escapes above.
std::string EscapedUtf8(const std::u16string& text);

} // namespace tools
