#include "core/FormBody.h"

namespace {

bool keptAsIs(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '*';
}

void appendEncoded(QByteArray &out, const QByteArray &text) {
    static constexpr char hex[] = "0123456789ABCDEF";
    for (const char c : text) {
        if (keptAsIs(c)) {
            out += c;
        } else {
            const auto byte = static_cast<unsigned char>(c);
            out += '%';
            out += hex[byte >> 4];
            out += hex[byte & 0xF];
        }
    }
}

} // namespace

QByteArray FormBody(const FormFields &fields) {
    QByteArray body;
    for (const auto &[name, value] : fields) {
        if (value.isEmpty())
            continue;
        if (!body.isEmpty())
            body += '&';
        appendEncoded(body, name);
        body += '=';
        appendEncoded(body, value);
    }
    return body;
}
