#include "tools/common/TableSource.h"

#include "platform/CodePage.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace tools {
namespace {

std::string Unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[++i];
        out += next == 'n' ? '\n' : next == 't' ? '\t' : next == 'r' ? '\r' : next;
    }
    return out;
}

} // namespace

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw std::runtime_error("cannot read " + path);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

std::vector<TableEntry> ReadTableSource(const std::string& path) {
    std::vector<TableEntry> entries;
    std::istringstream lines(ReadFile(path));
    std::string line;
    int lineNumber = 0;
    while (std::getline(lines, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const std::string where = path + ":" + std::to_string(lineNumber) + ": ";
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos) throw std::runtime_error(where + "expected id<TAB>text");
        char* end = nullptr;
        const long long id = std::strtoll(line.c_str(), &end, 10);
        if (tab == 0 || end != line.c_str() + tab) throw std::runtime_error(where + "bad id");
        entries.push_back({id, win::AnsiToWide(Unescape(line.substr(tab + 1)), win::CP_UTF8), lineNumber});
    }
    return entries;
}

std::string EscapedUtf8(const std::u16string& text) {
    std::string out;
    for (const char c : win::WideToAnsi(text, win::CP_UTF8)) {
        switch (c) {
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace tools
