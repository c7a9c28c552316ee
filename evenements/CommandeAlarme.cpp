#include "evenements/CommandeAlarme.h"

#include <csignal>
#include <sys/types.h>
#include <unistd.h>

namespace evenements {

CommandeAlarme::CommandeAlarme(QObject* parent) : QObject(parent) {
    m_limite.setSingleShot(true);
    m_limite.setInterval(60'000);
    connect(&m_limite, &QTimer::timeout, this, &CommandeAlarme::arreteGroupe);
}

CommandeAlarme::~CommandeAlarme() {
    if (!m_processus)
        return;
    // Its end is no longer ours to hear (the timer goes before the process), and
    // what it left behind does not outlive the program's own end either.
    m_processus->disconnect(this);
    if (enCours())
        arreteGroupe();
    m_processus.reset();
}

QProcessEnvironment CommandeAlarme::environnement() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* nom : {"PLOVAR_MQTT_MOT_DE_PASSE", "NOTIFY_SOCKET", "WATCHDOG_USEC",
                            "WATCHDOG_PID", "LISTEN_FDS", "LISTEN_PID", "LISTEN_FDNAMES"})
        env.remove(QString::fromLatin1(nom));
    return env;
}

bool CommandeAlarme::enCours() const {
    return m_processus && m_processus->state() != QProcess::NotRunning;
}

bool CommandeAlarme::lance(const QString& commande, const QProcessEnvironment& variables) {
    // One at a time: an alarm that comes back while the command runs does not stack
    // another.
    if (enCours())
        return true;
    if (m_processus)
        m_processus->disconnect(this);
    m_processus = std::make_unique<QProcess>();
    QProcessEnvironment env = environnement();
    env.insert(variables);
    m_processus->setProcessEnvironment(env);
    m_processus->setStandardInputFile(QProcess::nullDevice());
    m_processus->setStandardOutputFile(QProcess::nullDevice());
    m_processus->setStandardErrorFile(QProcess::nullDevice());
    // Its own session and process group: the limit reaches its children too.
    m_processus->setChildProcessModifier([] { ::setsid(); });
    connect(m_processus.get(), &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            emit echec();
    });
    connect(m_processus.get(), &QProcess::finished, this, [this] {
        // The shell is gone; what it left running in the background stays under the
        // limit, which then ends it.
        const bool reste = m_groupe > 0 && ::kill(-static_cast<pid_t>(m_groupe), 0) == 0;
        if (!reste)
            m_limite.stop();
    });
    // The process is made at once; whether the shell could run is said later.
    m_processus->start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), commande});
    m_groupe = m_processus->processId();
    if (m_groupe <= 0)
        return false;
    m_limite.start();
    return true;
}

void CommandeAlarme::arreteGroupe() {
    m_limite.stop();
    if (m_groupe > 0)
        ::kill(-static_cast<pid_t>(m_groupe), SIGKILL);
}

} // namespace evenements
