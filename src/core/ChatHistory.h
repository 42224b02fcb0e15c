#pragma once

#include <QByteArray>
#include <array>
#include <optional>

// The typed chat lines recalled with Up and Down. Entry 1 is the newest line, entry 0 the empty line of
// the input being typed; 19 lines are kept.
class ChatHistory {
public:
    static constexpr int Size = 20;

    // Opening the input line starts again at entry 0.
    void Open();
    // Keeps a typed line as entry 1; the oldest line drops out. Empty lines are not kept.
    void Add(const QByteArray &line);
    // The text to show after Up / Down; none when the key does nothing (Up at entry 19, Down at entry 0).
    std::optional<QByteArray> Up();
    std::optional<QByteArray> Down();

    int Position() const { return m_position; }
    const QByteArray &Entry(int index) const { return m_entries[std::size_t(index)]; }

private:
    std::array<QByteArray, Size> m_entries;
    int m_position = 0;
};
