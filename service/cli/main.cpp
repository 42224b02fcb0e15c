#include "cli/ServiceCommand.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillbarrow-service"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    ServiceCommand command(QCoreApplication::applicationDirPath(), out, err);
    return command.run(QCoreApplication::arguments().mid(1));
}
