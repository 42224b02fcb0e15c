#include "core/StringGrid.h"

#include <algorithm>

StringGrid::StringGrid(int columns, int rows) {
    setRowCount(rows);
    addColumns(columns);
}

void StringGrid::addColumns(int count) {
    if (count < 1)
        return;
    m_columns += count;
    m_cells.resize(static_cast<std::size_t>(m_columns) * static_cast<std::size_t>(m_rows));
}

void StringGrid::removeAllColumns() {
    m_columns = 0;
    m_cells.clear();
}

void StringGrid::setRowCount(int rows) {
    rows = std::max(rows, 0);
    if (rows == m_rows)
        return;
    std::vector<QString> cells(static_cast<std::size_t>(m_columns) * static_cast<std::size_t>(rows));
    const int kept = std::min(rows, m_rows);
    for (int c = 0; c < m_columns; ++c) {
        for (int r = 0; r < kept; ++r)
            cells[static_cast<std::size_t>(c) * rows + r] =
                std::move(m_cells[static_cast<std::size_t>(c) * m_rows + r]);
    }
    m_cells = std::move(cells);
    m_rows = rows;
}

void StringGrid::ensureSize(int columns, int rows) {
    if (rows > m_rows)
        setRowCount(rows);
    if (columns > m_columns)
        addColumns(columns - m_columns);
}

bool StringGrid::contains(int column, int row) const {
    return column >= 0 && column < m_columns && row >= 0 && row < m_rows;
}

QString StringGrid::cell(int column, int row) const {
    if (!contains(column, row))
        return {};
    return m_cells[static_cast<std::size_t>(column) * m_rows + row];
}

bool StringGrid::setCell(int column, int row, const QString &text) {
    if (!contains(column, row))
        return false;
    m_cells[static_cast<std::size_t>(column) * m_rows + row] = text;
    return true;
}
