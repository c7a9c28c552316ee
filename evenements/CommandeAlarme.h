#pragma once

#include <QObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTimer>

#include <memory>

namespace evenements {

/// The command an alarm runs: by /bin/sh, without waiting for it, one at a time,
/// in a process group of its own so that the time limit ends whatever it started.
/// Its environment is the program's less what is not its business (a password
/// for the broker, the service manager's socket).
class CommandeAlarme : public QObject {
    Q_OBJECT
public:
    explicit CommandeAlarme(QObject* parent = nullptr);
    ~CommandeAlarme() override;

    /// Starts `commande` with `variables` added to its environment; nothing when the
    /// previous one still runs. False when it could not be started.
    bool lance(const QString& commande, const QProcessEnvironment& variables);
    /// True while the command (or its shell) runs.
    bool enCours() const;
    /// The process group of the last command (0 before the first).
    qint64 groupe() const { return m_groupe; }
    /// How long a command may run, ms.
    void setLimite(int ms) { m_limite.setInterval(ms); }

    /// The program's environment as the command sees it.
    static QProcessEnvironment environnement();

signals:
    /// The command could not be started.
    void echec();

private:
    void arreteGroupe();

    std::unique_ptr<QProcess> m_processus;
    QTimer m_limite;
    qint64 m_groupe = 0;
};

} // namespace evenements
