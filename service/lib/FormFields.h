#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <optional>

// Name-value pairs of an application/x-www-form-urlencoded body or query: "+" is a blank (which
// QUrlQuery does not do), %XX is a byte, the bytes are UTF-8. The first of repeated names counts.
class FormFields {
public:
    // nullopt when a name or a value is not valid UTF-8 or has a broken %-escape.
    static std::optional<FormFields> parse(const QByteArray &encoded, bool plusIsBlank = true);

    QString value(const QString &name) const { return m_fields.value(name); }
    bool contains(const QString &name) const { return m_fields.contains(name); }

private:
    QHash<QString, QString> m_fields;
};
