#pragma once

#include "app/Poste.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>

#include <functional>

namespace app {

/// The service manager's notification protocol (sd_notify): datagrams sent to the
/// Unix socket named by NOTIFY_SOCKET ("@" for an abstract name). A manager that
/// does not read never holds the sender back: a message that cannot go at once is
/// dropped.
class Notification {
public:
    /// The socket named by the environment; inactive when NOTIFY_SOCKET is unset
    /// or cannot be used.
    static Notification depuisEnvironnement();
    explicit Notification(const QByteArray& adresse = {});
    ~Notification();
    Notification(Notification&& o) noexcept;
    Notification& operator=(Notification&&) = delete;
    Notification(const Notification&) = delete;

    bool active() const { return m_fd >= 0; }
    /// Sends one message ("READY=1", "STATUS=..."); false when it did not go.
    bool envoie(const QByteArray& message) const;

private:
    int m_fd = -1;
    QByteArray m_adresse;
};

/// Tells the service manager how a recording without a window stands: READY once
/// the record file took its first sample and the source answered (or was reported
/// absent), STATUS with the samples written and the broker's state, WATCHDOG pings
/// only while the source is polled and samples come on time, STOPPING on the way
/// out. A device read that never returns stops the pings, and so does a write of
/// the record file that has not returned after a whole watchdog period: the manager
/// then restarts the service.
class Superviseur : public QObject {
    Q_OBJECT
public:
    using Monotone = std::function<qint64()>;

    /// `chienUs`: the watchdog's period from WATCHDOG_USEC (0: no watchdog).
    Superviseur(Poste& poste, Notification notification, qint64 chienUs, Monotone monotone = {});

    /// The watchdog period this process must honour, from WATCHDOG_USEC when
    /// WATCHDOG_PID is unset or names this process; 0 otherwise.
    static qint64 chienDepuisEnvironnement();

    bool pret() const { return m_pret; }
    /// Whether the recording is alive: the source polled lately, samples on time.
    bool sain() const;
    /// One watchdog beat: a ping when the recording is alive, and the status.
    void battement();
    /// Sends STOPPING=1.
    void arrete();
    /// The run waits for its start time: the service is ready, says so in its
    /// status, and is alive while the event loop beats.
    void attend(const QString& texte);

    /// No poll of the source for this long means it hangs.
    static constexpr qint64 kSondageMaxMs = 5000;
    /// A sample later than its period by this much means sampling stalled.
    static constexpr qint64 kRetardMaxMs = 5000;

private:
    void verifiePret();
    void envoieEtat();

    engine::Moteur& m_moteur;
    publication::Publication& m_publication;
    Notification m_notification;
    Monotone m_monotone;
    QTimer m_minuterie;
    bool m_pret = false;
    bool m_attente = false;
    bool m_sourceRepondu = false;
    bool m_ecrit = false;
    /// A sample was held while waiting for a crossing.
    bool m_garde = false;
    /// The watchdog's period, in ms (0: none).
    qint64 m_chienMs = 0;
    /// The batch of writes last seen under way, and since when.
    quint64 m_lotVu = 0;
    qint64 m_lotDepuis = 0;
    qint64 m_derniereLecture = 0;
    qint64 m_dernierEchantillon = 0;
    qint64 m_ecrits = 0;
    /// When the source last gave a value (invalid before any).
    QDateTime m_derniereValeur;
    QByteArray m_dernierEtat;
};

} // namespace app
