// sorvik-dbtool: makes station databases and points the station at one.
//   sorvik-dbtool create [--demo N] PATH
//   sorvik-dbtool configure [--if-unset] PATH
//   sorvik-dbtool import-students DB FILE.xls
//   sorvik-dbtool import-scores DB FILE.xls
//   sorvik-dbtool import-cards DB FILE.xls
//   sorvik-dbtool export-results DB FILE.xlsx [--class N]
//   sorvik-dbtool import-mdb [--progress] OLD.mdb NEW.mdb   (ImportMdb.h)
#include "DatabaseSetting.h"
#include "ImportMdb.h"
#include "NewDatabase.h"
#include "WorkbookImports.h"

#include <QFileInfo>

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <cstring>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(SORVIK_VERSION));
    if (argc > 1 && std::strcmp(argv[1], "import-mdb") == 0)
        return importMdbMain(app);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Creates Sorvik station databases, points the station at one and imports into them.\n"
        "\n"
        "  create [--demo N] PATH          a new empty database (N sample pupils)\n"
        "  configure [--if-unset] PATH     make PATH the station's database\n"
        "  import-students DB FILE.xls     pupils from a workbook\n"
        "  import-scores DB FILE.xls       scores from a workbook\n"
        "  export-results DB FILE.xlsx [--class N]\n"
        "                                  the results to a workbook, a sheet per class\n"
        "  import-mdb [--progress] OLD.mdb NEW.mdb\n"
        "                                  carry an Access database over into a new one"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("command"),
        QStringLiteral("create | configure | import-students | import-scores | import-cards | "
                       "export-results | import-mdb"));
    parser.addPositionalArgument(QStringLiteral("path"), QStringLiteral("database file"));
    const QCommandLineOption demo(QStringLiteral("demo"),
                                  QStringLiteral("add N sample pupils with value rows and cards"),
                                  QStringLiteral("N"));
    parser.addOption(demo);
    const QCommandLineOption ifUnset(QStringLiteral("if-unset"),
                                     QStringLiteral("configure only when no database is set"));
    parser.addOption(ifUnset);
    const QCommandLineOption classOption(QStringLiteral("class"),
                                         QStringLiteral("export-results: only class N"),
                                         QStringLiteral("N"));
    parser.addOption(classOption);
    parser.process(app);

    const QStringList args = parser.positionalArguments();
    const QString command = args.value(0);
    if (command == QLatin1String("export-results")) {
        if (args.size() != 3) {
            std::fprintf(stderr, "usage: sorvik-dbtool export-results DB FILE.xlsx [--class N]\n");
            return 2;
        }
        return exportResults(args.at(1), args.at(2), parser.value(classOption));
    }
    if (command == QLatin1String("import-students") || command == QLatin1String("import-scores") ||
        command == QLatin1String("import-cards")) {
        if (args.size() != 3) {
            std::fprintf(stderr, "usage: sorvik-dbtool %s DB FILE.xls\n", qUtf8Printable(command));
            return 2;
        }
        if (command == QLatin1String("import-students"))
            return importStudents(args.at(1), args.at(2));
        if (command == QLatin1String("import-scores"))
            return importScores(args.at(1), args.at(2));
        return importCards(args.at(1), args.at(2));
    }
    if (args.size() != 2 ||
        (command != QLatin1String("create") && command != QLatin1String("configure"))) {
        std::fprintf(stderr, "usage: sorvik-dbtool create [--demo N] PATH\n"
                             "       sorvik-dbtool configure [--if-unset] PATH\n"
                             "       sorvik-dbtool import-students DB FILE.xls\n"
                             "       sorvik-dbtool import-scores DB FILE.xls\n"
                             "       sorvik-dbtool import-cards DB FILE.xls\n"
                             "       sorvik-dbtool export-results DB FILE.xlsx [--class N]\n"
                             "       sorvik-dbtool import-mdb [--progress] OLD.mdb NEW.mdb\n");
        return 2;
    }
    const QString path = args.at(1);
    if (command == QLatin1String("configure")) {
        if (parser.isSet(ifUnset) && !platform::readDatabaseFileName().isEmpty())
            return 0;
        const QString full = QFileInfo(path).absoluteFilePath();
        if (!platform::writeDatabaseFileName(full)) {
            std::fprintf(stderr, "sorvik-dbtool: cannot write the configuration\n");
            return 1;
        }
        std::printf("station database set to %s\n", qUtf8Printable(full));
        return 0;
    }
    bool ok = true;
    const int pupils = parser.isSet(demo) ? parser.value(demo).toInt(&ok) : 0;
    if (!ok || pupils < 0) {
        std::fprintf(stderr, "sorvik-dbtool: --demo needs a number of pupils\n");
        return 2;
    }
    QString error = store::createDatabase(path);
    if (error.isEmpty() && pupils > 0)
        error = store::addDemoPupils(path, pupils);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "sorvik-dbtool: %s\n", qUtf8Printable(error));
        return 1;
    }
    std::printf("created %s with %d pupils\n", qUtf8Printable(path), pupils);
    return 0;
}
