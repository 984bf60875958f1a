// A sync run in a process of its own, for the test that kills it halfway: it syncs the
// DB1.mdb given with the server given, and says "answer" on a line of its own each time the
// server answers, so that the test can kill it at any step.
#include "radicale/wait.h"

#include "data/store/database.h"
#include "data/sync/engine.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 7)
        return 2;
    using namespace dalil::Sync;
    Http http({QUrl(args.at(2)), args.at(3), args.at(4), {}});
    http.setAnswerHook([](const QByteArray &method, const Response &) {
        std::printf("answer %s\n", method.constData());
        std::fflush(stdout);
        return true;
    });
    Engine engine(args.at(1), http, {{QStringLiteral("Phone"), QUrl(args.at(5))}, {QStringLiteral("Note"), QUrl(args.at(6))}});
    const std::optional<Outcome> outcome = testing::wait(engine.run());
    dalil::Database::closeAll();
    return outcome && outcome->ok() ? 0 : 1;
}
