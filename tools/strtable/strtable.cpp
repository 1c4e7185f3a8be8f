// Message tables in the "STR0" format.
//
//   strtable SOURCE OUTPUT.str0   compiles a table source (see tools/common/TableSource.h); the ids
//                                 must ascend without repeating
//   strtable dump FILE            prints a STR0 file as one line per entry, in table order: the id,
//                                 a tab and the text in UTF-8, escaped as in a source
#include "port/StringResource.h"
#include "tools/common/TableSource.h"

#include <cstdint>
#include <fstream>
#include <iostream>
#include <limits>
#include <string>

namespace {

void Put32(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>(value >> (8 * i) & 0xFF);
}

std::string Compile(const std::string& sourcePath) {
    const std::vector<tools::TableEntry> entries = tools::ReadTableSource(sourcePath);
    std::string header = "STR0";
    Put32(header, static_cast<std::uint32_t>(entries.size()));
    std::string texts;
    std::size_t offset = port::TStr0Table::kHeaderSize + port::TStr0Table::kEntrySize * entries.size();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const tools::TableEntry& entry = entries[i];
        const std::string where = sourcePath + ":" + std::to_string(entry.line) + ": ";
        if (entry.id < std::numeric_limits<std::int32_t>::min() ||
            entry.id > std::numeric_limits<std::int32_t>::max())
            throw std::runtime_error(where + "the id does not fit 32 bits");
        if (i > 0 && entry.id <= entries[i - 1].id) throw std::runtime_error(where + "ids must ascend");
        Put32(header, static_cast<std::uint32_t>(entry.id));
        Put32(header, static_cast<std::uint32_t>(offset));
        Put32(header, static_cast<std::uint32_t>(entry.text.size()));
        for (const char16_t unit : entry.text) {
            texts += static_cast<char>(unit & 0xFF);
            texts += static_cast<char>(unit >> 8);
        }
        offset += 2 * entry.text.size();
    }
    return header + texts;
}

void Dump(const std::string& path) {
    const std::string bytes = tools::ReadFile(path);
    const port::TStr0Table table(bytes.data(), bytes.size());
    if (!table.IsWellFormed()) throw std::runtime_error(path + ": not a well-formed STR0 table");
    for (std::int32_t i = 0; i < table.Count(); ++i)
        std::cout << table.Id(i) << '\t' << tools::EscapedUtf8(table.Text(i)) << '\n';
}

} // namespace

int main(int argc, char** argv) {
    try {
        if (argc == 3 && std::string(argv[1]) == "dump") {
            Dump(argv[2]);
            return 0;
        }
        if (argc != 3) {
            std::cerr << "usage: strtable SOURCE OUTPUT.str0 | strtable dump FILE\n";
            return 2;
        }
        const std::string table = Compile(argv[1]);
        std::ofstream out(argv[2], std::ios::binary);
        if (!(out << table) || !out.flush()) throw std::runtime_error(std::string("cannot write ") + argv[2]);
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "strtable: " << e.what() << "\n";
        return 1;
    }
}
