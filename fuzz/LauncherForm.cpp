#include "LauncherForm.h"

#include "core/FormBody.h"

QByteArray launcherFormBody(const QList<std::pair<QByteArray, QByteArray>> &fields) {
    return FormBody(fields);
}
