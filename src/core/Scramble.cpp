#include "core/Scramble.h"

namespace {

// At key code k the printable codes 33..126 fill 94 of the 95 printable outputs; this is the free one.
int freeCode(int k) {
    return k == 33 ? 126 : 32;
}

// Keeps a rotation inside 0..127 whatever the sign.
int wrap128(int value) {
    return ((value % 128) + 128) % 128;
}

char toChar(int code) {
    return static_cast<char>(static_cast<unsigned char>(code));
}

} // namespace

QByteArray ScrambleText(QByteArrayView text, QByteArrayView key) {
    if (key.isEmpty())
        return text.toByteArray();
    QByteArray out(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int t = static_cast<unsigned char>(text[i]);
        const int k = static_cast<unsigned char>(key[i % key.size()]);
        int s = t;
        if (t >= 33 && t <= 126) {
            int v = (126 - t) + (k - 33);
            if (v > 94)
                v -= 94;
            s = v + 32;
        } else if (t == 32) {
            s = freeCode(k);
        } else if (t >= 128) {
            s = 128 + wrap128((t - 128) + (k - 33));
        }
        out[i] = toChar(s);
    }
    return out;
}

QByteArray UnscrambleText(QByteArrayView text, QByteArrayView key) {
    if (key.isEmpty())
        return text.toByteArray();
    QByteArray out(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int s = static_cast<unsigned char>(text[i]);
        const int k = static_cast<unsigned char>(key[i % key.size()]);
        int t = s;
        if (s == freeCode(k)) {
            t = 32;
        } else if (s >= 32 && s <= 126) {
            int e = (s - 32) - (k - 33);
            if (e < 0)
                e += 94;
            t = 126 - e;
        } else if (s >= 128) {
            t = 128 + wrap128((s - 128) - (k - 33));
        }
        out[i] = toChar(t);
    }
    return out;
}
