#include "app/Reveil.h"

#include <QFile>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace app {

namespace {

int g_reveil[2] = {-1, -1};

extern "C" void surReveil(int) {
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_reveil[1], &c, 1);
}

} // namespace

Reveil::Reveil(QObject* parent) : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_reveil) != 0)
        return;
    m_notificateur = std::make_unique<QSocketNotifier>(g_reveil[0], QSocketNotifier::Read);
    connect(m_notificateur.get(), &QSocketNotifier::activated, this, [this] {
        char c;
        [[maybe_unused]] const ssize_t n = ::read(g_reveil[0], &c, 1);
        emit demande();
    });
    std::signal(SIGUSR1, surReveil);
}

Reveil::~Reveil() {
    if (!m_notificateur)
        return;
    std::signal(SIGUSR1, SIG_IGN);
    m_notificateur.reset();
    ::close(g_reveil[0]);
    ::close(g_reveil[1]);
    g_reveil[0] = g_reveil[1] = -1;
}

bool Reveil::reveille(qint64 pid) {
    return ::kill(static_cast<pid_t>(pid), SIGUSR1) == 0;
}

bool Reveil::estSansFenetre(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    // Any argument means the command line; the headless recorder is the one that records.
    const QList<QByteArray> arguments = f.readAll().split('\0');
    return arguments.contains("--enregistrer") || arguments.contains("--record");
}

} // namespace app
