#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The fixed key of the saved password: 28 printable characters, every code 33 or higher.
inline constexpr QByteArrayView ScrambleKey = "k4!R8@t2#W6$y1%P9^u3&E5*q7(L";

// A reversible scrambling of 8-bit text; the output has the same length as the input. The key is used
// cyclically, one key character per text character. Printable characters 33..126 scramble to printable
// characters as files of earlier launchers have them. A space takes the one printable code that no
// other character can reach at its key position, so it survives the round trip instead of coming back
// as a tilde; bytes 128..255 are rotated among themselves; control characters are kept as they are.
// An empty key leaves the text unchanged.
[[nodiscard]] QByteArray ScrambleText(QByteArrayView text, QByteArrayView key);

// The inverse of ScrambleText. A space written by an earlier launcher came out as a tilde there and
// still reads back as a tilde.
[[nodiscard]] QByteArray UnscrambleText(QByteArrayView text, QByteArrayView key);
