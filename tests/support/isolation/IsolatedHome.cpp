// Suites wipe and rewrite the application's settings and data. Under CTest
// each gets a private home (run-isolated.sh); a suite started by hand gets a
// scratch home here, before main, instead of the user's own.
#include <QDir>

#include <cstdlib>

namespace {

[[maybe_unused]] const bool isolated = [] {
    if (qEnvironmentVariableIsSet("KLIPWELL_TESTING"))
        return true;
    QByteArray home = QFile::encodeName(QDir::tempPath()) + "/klipwell-test-home-XXXXXX";
    if (!mkdtemp(home.data()))
        qFatal("No scratch home could be made for the tests.");
    qputenv("HOME", home);
    for (const char* name : { "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME" })
        qunsetenv(name);
    qputenv("KLIPWELL_TESTING", "1");
    return true;
}();

} // namespace
