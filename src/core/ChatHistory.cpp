#include "core/ChatHistory.h"

#include <algorithm>

void ChatHistory::Open() {
    m_entries[0].clear();
    m_position = 0;
}

void ChatHistory::Add(const QByteArray &line) {
    if (line.isEmpty())
        return;
    std::move_backward(m_entries.begin() + 1, m_entries.end() - 1, m_entries.end());
    m_entries[1] = line;
    m_entries[0].clear();
}

std::optional<QByteArray> ChatHistory::Up() {
    if (m_position >= Size - 1)
        return std::nullopt;
    ++m_position;
    return m_entries[std::size_t(m_position)];
}

std::optional<QByteArray> ChatHistory::Down() {
    if (m_position <= 0)
        return std::nullopt;
    --m_position;
    return m_entries[std::size_t(m_position)];
}
