#include "sources/SourceTexte.h"

#include "sources/Rs232.h"

#include <QFileInfo>

namespace sources {

SourceTexte::SourceTexte(HorlogeMs horloge, QObject* parent)
    : Source(parent), m_horloge(std::move(horloge)) {
    connect(&m_port, &QSerialPort::readyRead, this, &SourceTexte::recoit);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SourceTexte::surErreur);
}

void SourceTexte::regle(const core::ReglageTexte& r) {
    const bool ouvert = m_voulu;
    if (ouvert)
        ferme();
    m_reglage = r;
    m_lecteur.setEtiquette(r.etiquette.toUtf8());
    m_lecteur.oubliePartielle();
    if (ouvert)
        ouvre();
}

QString SourceTexte::nom() const {
    return QStringLiteral("lignes de texte sur %1").arg(m_reglage.port);
}

void SourceTexte::ouvre() {
    m_voulu = true;
    essaieOuvrir();
}

bool SourceTexte::essaieOuvrir() {
    if (m_port.isOpen())
        return true;
    m_dernierEssaiMs = m_horloge();
    if (const std::optional<QString> refus = m_reglage.refus()) {
        m_probleme = *refus;
        emit etatChange();
        return false;
    }
    m_probleme = ouvreLecture(m_port, m_reglage.port, m_reglage.vitesse);
    if (!m_probleme.isEmpty()) {
        emit etatChange();
        return false;
    }
    m_lecteur.oubliePartielle();
    emit etatChange();
    return true;
}

void SourceTexte::recoit() {
    // Every byte is taken as it comes, so the port's buffer never grows and each line
    // is dated when it ended.
    char tampon[4096];
    const qint64 maintenant = m_horloge();
    const qint64 refusees = m_lecteur.nbRefusees();
    for (;;) {
        const qint64 n = m_port.read(tampon, sizeof tampon);
        if (n <= 0)
            break;
        m_lecteur.ajoute(QByteArrayView(tampon, n), maintenant);
    }
    if (m_lecteur.nbRefusees() != refusees)
        m_derniereRefusMs = maintenant;
}

std::optional<double> SourceTexte::lit() {
    if (!m_port.isOpen()) {
        if (m_voulu && m_horloge() - m_dernierEssaiMs >= kReessaiMs)
            essaieOuvrir();
        if (!m_port.isOpen())
            return std::nullopt;
    }
    recoit();
    m_port.clearError();
    const std::optional<LecteurLignes::Lecture>& d = m_lecteur.derniere();
    if (!d || (m_instantRendu && *m_instantRendu == d->instantMs))
        return std::nullopt;
    m_instantRendu = d->instantMs;
    return d->valeur;
}

void SourceTexte::ferme() {
    m_voulu = false;
    if (m_port.isOpen())
        m_port.close();
    m_probleme.clear();
    emit etatChange();
}

QString SourceTexte::probleme() const {
    if (m_port.isOpen() || m_probleme.isEmpty())
        return {};
    return QStringLiteral("Port série %1 non ouvert : %2. Nouvel essai toutes les 2 secondes ; "
                          "en attendant, les mesures enregistrées ne sont pas des lectures.")
        .arg(m_reglage.port, m_probleme);
}

void SourceTexte::entretien() {
    if (m_voulu && !m_port.isOpen())
        essaieOuvrir();
}

std::optional<qint64> SourceTexte::instantLecture() const {
    if (const auto& d = m_lecteur.derniere())
        return d->instantMs;
    return std::nullopt;
}

QString SourceTexte::avisLignes() const {
    // The notice stays while lines keep being refused, and goes 30 s after the last.
    if (m_lecteur.nbRefusees() == 0 || m_horloge() - m_derniereRefusMs >= kAvisLignesMs)
        return {};
    return QStringLiteral("%1 ligne(s) illisible(s) reçue(s) de %2, ignorée(s) : aucune n'est "
                          "enregistrée comme mesure (dernière : « %3 »). Vérifiez la vitesse du "
                          "port et ce que la carte envoie.")
        .arg(m_lecteur.nbRefusees())
        .arg(m_reglage.port, QString::fromLatin1(m_lecteur.derniereRefusee()));
}

void SourceTexte::surErreur(QSerialPort::SerialPortError e) {
    // The board unplugged: `lit` opens the port again when it is back.
    if (sortPort(e) == SortPort::Perdu && m_port.isOpen()) {
        m_probleme = Rs232::texteErreur(e);
        fermePerdu(m_port, this, [this] {
            m_dernierEssaiMs = m_horloge();
            emit etatChange();
        });
    }
}

} // namespace sources
