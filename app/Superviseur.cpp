#include "app/Superviseur.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace app {

Notification Notification::depuisEnvironnement() {
    return Notification(qgetenv("NOTIFY_SOCKET"));
}

Notification::Notification(const QByteArray& adresse) : m_adresse(adresse) {
    if (adresse.isEmpty() || (adresse[0] != '/' && adresse[0] != '@') ||
        size_t(adresse.size()) >= sizeof(sockaddr_un::sun_path))
        return;
    m_fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
}

Notification::Notification(Notification&& o) noexcept : m_fd(o.m_fd), m_adresse(o.m_adresse) {
    o.m_fd = -1;
}

Notification::~Notification() {
    if (m_fd >= 0)
        ::close(m_fd);
}

bool Notification::envoie(const QByteArray& message) const {
    if (m_fd < 0)
        return false;
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::memcpy(a.sun_path, m_adresse.constData(), size_t(m_adresse.size()));
    socklen_t longueur = socklen_t(offsetof(sockaddr_un, sun_path) + size_t(m_adresse.size()));
    if (a.sun_path[0] == '@')
        a.sun_path[0] = 0; // an abstract name: no terminating NUL counted
    else
        ++longueur;
    ssize_t n;
    do {
        n = ::sendto(m_fd, message.constData(), size_t(message.size()), MSG_NOSIGNAL,
                     reinterpret_cast<const sockaddr*>(&a), longueur);
    } while (n < 0 && errno == EINTR);
    return n == message.size();
}

qint64 Superviseur::chienDepuisEnvironnement() {
    bool ok = false;
    const qint64 us = qgetenv("WATCHDOG_USEC").toLongLong(&ok);
    if (!ok || us <= 0)
        return 0;
    const QByteArray pid = qgetenv("WATCHDOG_PID");
    if (!pid.isEmpty() && pid.toLongLong() != qint64(::getpid()))
        return 0;
    return us;
}

Superviseur::Superviseur(Poste& poste, Notification notification, qint64 chienUs, Monotone monotone)
    : m_moteur(poste.moteur), m_publication(poste.publication),
      m_notification(std::move(notification)), m_monotone(std::move(monotone)),
      m_chienMs(chienUs / 1000) {
    if (!m_monotone) {
        auto depart = std::make_shared<QElapsedTimer>();
        depart->start();
        m_monotone = [depart] { return depart->elapsed(); };
    }
    m_derniereLecture = m_dernierEchantillon = m_monotone();
    connect(&m_moteur, &engine::Moteur::valeurLue, this,
            [this](const QDateTime& instant, std::optional<double> valeur) {
                m_derniereLecture = m_monotone();
                if (valeur) {
                    m_sourceRepondu = true;
                    m_derniereValeur = instant;
                }
                verifiePret();
            });
    connect(&m_moteur, &engine::Moteur::alerteChange, this,
            [this](engine::Alerte a, const QString& texte) {
                // A source reported missing or silent has answered as far as the
                // manager is concerned: the recording runs and says so.
                if ((a == engine::Alerte::Source || a == engine::Alerte::Silence) &&
                    !texte.isEmpty())
                    m_sourceRepondu = true;
                verifiePret();
                // What the status says of the source and the disk follows their notices.
                if (a == engine::Alerte::Source || a == engine::Alerte::Silence ||
                    a == engine::Alerte::Ecriture || a == engine::Alerte::Retard)
                    envoieEtat();
            });
    connect(&m_moteur, &engine::Moteur::echantillonStocke, this, [this](const core::Echantillon&) {
        m_dernierEchantillon = m_monotone();
        if (m_attente) {
            // The wait is over: from now on, alive means sampling on time.
            m_attente = false;
            m_derniereLecture = m_dernierEchantillon;
        }
    });
    // Waiting for a crossing, the run samples all along: it is alive and ready.
    connect(&m_moteur, &engine::Moteur::echantillonGarde, this, [this](const core::Echantillon&) {
        m_dernierEchantillon = m_monotone();
        m_garde = true;
        verifiePret();
        envoieEtat();
    });
    connect(&m_moteur, &engine::Moteur::echantillonEcrit, this, [this](const core::Echantillon&) {
        m_ecrit = true;
        ++m_ecrits;
        verifiePret();
        envoieEtat();
    });
    connect(&m_publication, &publication::Publication::bilanChange, this, &Superviseur::envoieEtat);
    // Beats at a third of the manager's period: a ping is never more than half a
    // period apart while the recording is alive.
    m_minuterie.setTimerType(Qt::PreciseTimer);
    connect(&m_minuterie, &QTimer::timeout, this, &Superviseur::battement);
    if (chienUs > 0)
        m_minuterie.start(int(std::clamp<qint64>(chienUs / 3000, 10, 10'000)));
}

void Superviseur::verifiePret() {
    if (m_pret || !(m_ecrit || m_garde) || !m_sourceRepondu)
        return;
    m_pret = true;
    m_notification.envoie("READY=1");
    envoieEtat();
}

bool Superviseur::sain() const {
    if (!m_pret)
        return false;
    if (m_attente)
        return true;
    const qint64 maintenant = m_monotone();
    if (maintenant - m_derniereLecture > kSondageMaxMs)
        return false;
    // The disk holds a write for longer than the manager's period: blocked for good.
    if (m_lotVu != 0 && m_chienMs > 0 && maintenant - m_lotDepuis > m_chienMs)
        return false;
    if (m_moteur.etat() == engine::Etat::Enregistrement) {
        const qint64 periode = qint64(m_moteur.cadence().periode().count());
        if (maintenant - m_dernierEchantillon > periode + kRetardMaxMs)
            return false;
    }
    return true;
}

void Superviseur::battement() {
    const quint64 lot = m_moteur.ecrivain().lotEnCours();
    if (lot != m_lotVu) {
        m_lotVu = lot;
        m_lotDepuis = m_monotone();
    }
    if (m_minuterie.isActive() && sain())
        m_notification.envoie("WATCHDOG=1");
}

void Superviseur::envoieEtat() {
    if (!m_pret)
        return;
    QString texte = QStringLiteral("%1 mesure(s) enregistrée(s)").arg(m_ecrits);
    if (const std::optional<core::Declencheur>& d = m_moteur.declencheurAttendu();
        d && m_moteur.etat() == engine::Etat::Enregistrement)
        texte = QStringLiteral("en attente du franchissement %1 de %2 (%3 mesure(s) gardées "
                               "avant)")
                    .arg(d->seuil.sens(), m_moteur.etalonnage().texteNiveau(d->seuil.niveau))
                    .arg(m_moteur.echantillonsAvant());
    // What is wrong comes first: a status that reads healthy while the disk refuses
    // every line, or while the values stand for no reading, would be untrue.
    const auto premiereLigne = [](const QString& t) {
        QString l = t.section(QLatin1Char('\n'), 0, 0);
        if (l.endsWith(QLatin1Char('.')))
            l.chop(1);
        return l;
    };
    QStringList problemes;
    if (const QString e = m_moteur.alerte(engine::Alerte::Ecriture); !e.isEmpty())
        problemes << premiereLigne(e);
    else if (const QString r = m_moteur.alerte(engine::Alerte::Retard); !r.isEmpty())
        problemes << premiereLigne(r);
    if (!m_moteur.alerte(engine::Alerte::Source).isEmpty())
        problemes << QStringLiteral("source absente : valeurs non mesurées");
    else if (!m_moteur.alerte(engine::Alerte::Silence).isEmpty())
        problemes << (m_derniereValeur.isValid()
                          ? QStringLiteral("source muette depuis %1")
                                .arg(m_derniereValeur.toString(
                                    QStringLiteral("dd/MM/yyyy HH:mm:ss")))
                          : QStringLiteral("source muette : aucune valeur reçue"));
    if (!problemes.isEmpty())
        texte = problemes.join(QStringLiteral(" ; ")) + QStringLiteral(" ; ") + texte;
    if (m_publication.actif()) {
        // One line: the manager shows the status as a single line.
        texte += QStringLiteral(" ; courtier : ") +
                 m_publication.texteEtat().replace(QLatin1Char('\n'), QStringLiteral(" ; "));
    }
    const QByteArray message = "STATUS=" + texte.toUtf8();
    if (message == m_dernierEtat)
        return;
    m_dernierEtat = message;
    m_notification.envoie(message);
}

void Superviseur::attend(const QString& texte) {
    m_attente = true;
    if (!m_pret) {
        m_pret = true;
        m_notification.envoie("READY=1");
    }
    m_dernierEtat = "STATUS=" + texte.toUtf8();
    m_notification.envoie(m_dernierEtat);
}

void Superviseur::arrete() {
    m_notification.envoie("STOPPING=1");
}

} // namespace app
