// The service's form-field decoder: any bytes as a body and as a query, and every form the launcher
// can post decodes back to the values it sent. For the latter the input is read as lines of
// "name=value" (split at the first "=").
#include "FuzzSupport.h"
#include "LauncherForm.h"
#include "lib/FormFields.h"

#include <QSet>
#include <QStringDecoder>

using namespace FuzzSupport;

namespace {

bool isUtf8(const QByteArray &bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes); // decoding is lazy: the result must be taken
    return !utf8.hasError();
}

void checkRoundTrip(const QByteArray &input) {
    QList<std::pair<QByteArray, QByteArray>> fields;
    const QList<QByteArray> lines = input.split('\n');
    for (const QByteArray &line : lines) {
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0)
            continue;
        fields.append({line.left(eq), line.mid(eq + 1)});
    }
    bool allUtf8 = true;
    for (const auto &[name, value] : fields)
        allUtf8 = allUtf8 && isUtf8(name) && isUtf8(value);
    if (!allUtf8)
        return; // the service refuses what is not UTF-8, as it should
    const QByteArray body = launcherFormBody(fields);
    for (const bool plusIsBlank : {true, false}) {
        const std::optional<FormFields> parsed = FormFields::parse(body, plusIsBlank);
        if (!parsed)
            fail("the service refuses a form the launcher posts");
        QSet<QByteArray> seen;
        for (const auto &[name, value] : fields) {
            if (value.isEmpty() || seen.contains(name))
                continue; // left out of the body / the first of a repeated name counts
            seen.insert(name);
            if (parsed->value(QString::fromUtf8(name)) != QString::fromUtf8(value))
                fail("a field of the launcher arrives changed");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray input = view(data, size).toByteArray();
    for (const bool plusIsBlank : {true, false}) {
        if (const std::optional<FormFields> form = FormFields::parse(input, plusIsBlank))
            (void)form->value(QStringLiteral("email"));
    }
    checkRoundTrip(input);
    return 0;
}
