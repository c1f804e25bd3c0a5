// sorvik-dbtool: makes station databases and points the station at one.
//   sorvik-dbtool create [--demo N] PATH
//   sorvik-dbtool create --server URL [--demo N] [CONNECTION.mdb]
//   sorvik-dbtool copy-to-server FILE.mdb URL [CONNECTION.mdb]
//   sorvik-dbtool connection-file URL CONNECTION.mdb
//   sorvik-dbtool configure [--if-unset] PATH
//   sorvik-dbtool import-students DB FILE.xls
//   sorvik-dbtool import-scores DB FILE.xls
//   sorvik-dbtool import-cards DB FILE.xls
//   sorvik-dbtool export-results DB FILE.xlsx [--class N]
//   sorvik-dbtool import-mdb [--progress] OLD.mdb NEW.mdb   (ImportMdb.h)
//   sorvik-dbtool import-mdb [--progress] OLD.mdb --server URL [CONNECTION.mdb]
#include "DatabaseSetting.h"
#include "ImportMdb.h"
#include "NewDatabase.h"
#include "ServerAddress.h"
#include "ServerCopy.h"
#include "StoreError.h"
#include "WorkbookImports.h"

#include <QFileInfo>

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <cstring>

namespace
{

// The commands that put a station database on a server; the optional last argument is a
// connection file to write for the stations.
int serverCommand(const QCommandLineParser& parser, const QString& serverUrl, const QString& demo)
{
    const QStringList args = parser.positionalArguments();
    const QString command = args.value(0);
    QString address = serverUrl;
    QString connectionFile;
    QString error;
    QStringList left; // what copy-to-server does not copy
    int pupils = 0;
    if (command == QLatin1String("create")) {
        if (args.size() > 2) {
            std::fprintf(stderr, "usage: sorvik-dbtool create --server URL [--demo N] "
                                 "[CONNECTION.mdb]\n");
            return 2;
        }
        connectionFile = args.value(1);
        bool ok = true;
        pupils = demo.isEmpty() ? 0 : demo.toInt(&ok);
        if (!ok || pupils < 0) {
            std::fprintf(stderr, "sorvik-dbtool: --demo needs a number of pupils\n");
            return 2;
        }
        error = store::createDatabase(address);
        if (error.isEmpty() && pupils > 0)
            error = store::addDemoPupils(address, pupils);
    } else if (command == QLatin1String("copy-to-server")) {
        if (args.size() < 3 || args.size() > 4) {
            std::fprintf(stderr, "usage: sorvik-dbtool copy-to-server FILE.mdb URL "
                                 "[CONNECTION.mdb]\n");
            return 2;
        }
        address = args.at(2);
        connectionFile = args.value(3);
        try {
            left = store::notCopiedToServer(args.at(1));
        } catch (const store::StoreError& e) {
            error = e.description();
        }
        if (error.isEmpty())
            error = store::copyToServer(args.at(1), address);
    } else {
        if (args.size() != 3) {
            std::fprintf(stderr, "usage: sorvik-dbtool connection-file URL CONNECTION.mdb\n");
            return 2;
        }
        address = args.at(1);
        connectionFile = args.at(2);
    }
    if (error.isEmpty() && !connectionFile.isEmpty())
        error = store::writeConnectionFile(connectionFile, address);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "sorvik-dbtool: %s\n", qUtf8Printable(error));
        return 1;
    }
    if (command == QLatin1String("create"))
        std::printf("created the station's tables on the server with %d pupils\n", pupils);
    else if (command == QLatin1String("copy-to-server"))
        std::printf("copied %s onto the server\n", qUtf8Printable(args.at(1)));
    if (!left.isEmpty())
        std::printf("not copied, the station does not use them: %s\n",
                    qUtf8Printable(left.join(QStringLiteral(", "))));
    if (!connectionFile.isEmpty())
        std::printf("wrote the connection file %s\n", qUtf8Printable(connectionFile));
    return 0;
}

} // namespace

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
        "  create --server URL [--demo N] [CONNECTION.mdb]\n"
        "                                  the station's tables on a PostgreSQL server\n"
        "  copy-to-server FILE.mdb URL [CONNECTION.mdb]\n"
        "                                  a station database file copied onto a server\n"
        "  connection-file URL CONNECTION.mdb\n"
        "                                  a file the station opens to reach the server\n"
        "  configure [--if-unset] PATH     make PATH the station's database\n"
        "  import-students DB FILE.xls     pupils from a workbook\n"
        "  import-scores DB FILE.xls       scores from a workbook\n"
        "  export-results DB FILE.xlsx [--class N]\n"
        "                                  the results to a workbook, a sheet per class\n"
        "  import-mdb [--progress] OLD.mdb NEW.mdb\n"
        "                                  carry an Access database over into a new one\n"
        "  import-mdb [--progress] OLD.mdb --server URL [CONNECTION.mdb]\n"
        "                                  the same onto a PostgreSQL server, in one step"));
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
    const QCommandLineOption server(QStringLiteral("server"),
                                    QStringLiteral("create on the PostgreSQL server at URL"),
                                    QStringLiteral("URL"));
    parser.addOption(server);
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
    if (command == QLatin1String("copy-to-server") || command == QLatin1String("connection-file") ||
        (command == QLatin1String("create") && parser.isSet(server)))
        return serverCommand(parser, parser.isSet(server) ? parser.value(server) : QString(),
                             parser.isSet(demo) ? parser.value(demo) : QString());
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
                             "       sorvik-dbtool import-mdb [--progress] OLD.mdb NEW.mdb\n"
                             "       sorvik-dbtool import-mdb [--progress] OLD.mdb --server URL "
                             "[CONNECTION.mdb]\n");
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
