#pragma once

#include <QString>
#include <vector>

// A plain grid of text cells, the working copy of a table file. Columns can be appended or all removed;
// the row count is independent of the columns and survives their removal. Cells outside the grid read
// as empty and cannot be written.
class StringGrid {
public:
    StringGrid() = default;
    StringGrid(int columns, int rows);

    [[nodiscard]] int columnCount() const { return m_columns; }
    [[nodiscard]] int rowCount() const { return m_rows; }

    // Appends empty columns; a count below 1 does nothing.
    void addColumns(int count);
    void removeAllColumns();
    // Cells inside the new bounds keep their text; negative counts become 0.
    void setRowCount(int rows);
    // Grows to at least this size, never shrinks.
    void ensureSize(int columns, int rows);

    [[nodiscard]] QString cell(int column, int row) const;
    // False (and nothing changed) outside the grid.
    bool setCell(int column, int row, const QString &text);

    friend bool operator==(const StringGrid &, const StringGrid &) = default;

private:
    [[nodiscard]] bool contains(int column, int row) const;

    int m_columns = 0;
    int m_rows = 0;
    // Column by column, like the file: cell (c, r) is at c * rows + r.
    std::vector<QString> m_cells;
};
