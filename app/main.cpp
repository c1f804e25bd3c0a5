#include "CSorvikApp.h"
#include "StationCheck.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstring>

namespace
{

// --help, --version and --check run without a window (and without a display); any other start
// is the station as it always was.
bool runsWithoutWindow(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i)
        for (const char* option : {"-h", "--help", "--help-all", "-v", "--version", "--check"})
            if (std::strcmp(argv[i], option) == 0)
                return true;
    return false;
}

int runWithoutWindow(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(SORVIK_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Sorvik physical-fitness test station: sends pupils to the test "
                       "instruments, collects their results and keeps them in the station "
                       "database.\nWithout options it opens the station's window."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption check(
        QStringLiteral("check"),
        QStringLiteral("Open the configured database, bind the instrument library, look for "
                       "the helper programs and sample workbooks, print what was found and "
                       "exit (status 1 when something is missing). Opens no window."));
    parser.addOption(check);
    parser.process(app);
    return StationCheck().run();
}

} // namespace

int main(int argc, char* argv[])
{
    if (runsWithoutWindow(argc, argv))
        return runWithoutWindow(argc, argv);
    CSorvikApp app(argc, argv);
    return app.InitInstance();
}
