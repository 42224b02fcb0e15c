#pragma once

#include <QByteArray>
#include <QList>
#include <utility>

// One name-value pair of a form post; the value is the 8-bit (UTF-8) state text as it stands.
using FormField = std::pair<QByteArray, QByteArray>;
using FormFields = QList<FormField>;

// The application/x-www-form-urlencoded body of the fields, in their order. Fields with an empty value
// are left out. Every byte but ASCII letters, digits and "-._*" is percent-encoded, the space too
// ("%20", not "+"): a server that reads "+" as a blank and one that does not both get the value back
// unchanged, so an e-mail address with a "+" arrives intact.
[[nodiscard]] QByteArray FormBody(const FormFields &fields);
