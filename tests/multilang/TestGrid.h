// A word-table editor's grid for GatherTexts: rows of a key and one text per language, starting
// with one empty row; cells outside it are refused.
#pragma once

#include "multilang/LangSwitchBase.h"
#include "rtl/StringList.h"

#include <string>
#include <vector>

namespace test {

class TestGrid : public multilang::TTextGrid {
public:
    // A key column and a column per language.
    explicit TestGrid(int columns = 3) : columns_(columns), rows_(1, std::vector<std::string>(columns)) {}
    int RowCount() const override { return static_cast<int>(rows_.size()); }
    void SetRowCount(int rows) override {
        rows_.resize(static_cast<std::size_t>(rows), std::vector<std::string>(columns_, "?"));
    }
    int ColCount() const override { return columns_; }
    std::string Cell(int column, int row) const override { return rows_.at(row).at(column); }
    void SetCell(int column, int row, const std::string& text) override { rows_.at(row).at(column) = text; }

    // The word table the grid stands for: every row but the empty last one, as a group.
    rtl::TStringList Words() const {
        rtl::TStringList words;
        for (std::size_t row = 0; row + 1 < rows_.size(); ++row)
            for (const std::string& cell : rows_[row])
                words.Add(cell);
        return words;
    }

private:
    int columns_;
    std::vector<std::vector<std::string>> rows_;
};

} // namespace test
