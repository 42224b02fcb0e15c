#include "lib/FormFields.h"

#include <QStringDecoder>

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// nullopt for a "%" without two hex digits after it, or bytes that are not UTF-8.
std::optional<QString> decode(const QByteArray &part, bool plusIsBlank) {
    QByteArray bytes;
    bytes.reserve(part.size());
    for (qsizetype i = 0; i < part.size(); ++i) {
        const char c = part[i];
        if (c == '%') {
            const int high = i + 2 < part.size() ? hexValue(part[i + 1]) : -1;
            const int low = i + 2 < part.size() ? hexValue(part[i + 2]) : -1;
            if (high < 0 || low < 0)
                return std::nullopt;
            bytes += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            bytes += plusIsBlank && c == '+' ? ' ' : c;
        }
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return std::nullopt;
    return text;
}

} // namespace

std::optional<FormFields> FormFields::parse(const QByteArray &encoded, bool plusIsBlank) {
    FormFields form;
    const QList<QByteArray> pairs = encoded.split('&');
    for (const QByteArray &pair : pairs) {
        if (pair.isEmpty())
            continue;
        const qsizetype eq = pair.indexOf('=');
        const std::optional<QString> name = decode(eq < 0 ? pair : pair.left(eq), plusIsBlank);
        const std::optional<QString> value = decode(eq < 0 ? QByteArray() : pair.mid(eq + 1), plusIsBlank);
        if (!name || !value)
            return std::nullopt;
        if (!form.m_fields.contains(*name))
            form.m_fields.insert(*name, *value);
    }
    return form;
}
