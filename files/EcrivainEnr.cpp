#include "files/EcrivainEnr.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace files {

QByteArray enteteEnr() {
    return QByteArray("N\xB0Record;Valeur;Date;Time\r\n");
}

QByteArray ligneEnr(int numero, const core::ValeurMesure& valeur, const QString& date,
                    const QString& heure) {
    QByteArray l = QByteArray::number(numero);
    l += ';';
    l += valeur.texte().toLatin1();
    l += ';';
    l += date.toLatin1();
    l += ';';
    l += heure.toLatin1();
    l += "\r\n";
    return l;
}

bool creeFichierEnr(const QString& chemin) {
    QFile f(chemin);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray e = enteteEnr();
    const bool ok = f.write(e) == e.size() && f.flush() && ::fsync(f.handle()) == 0;
    f.close();
    return ok && f.error() == QFile::NoError;
}

bool EcrivainEnr::ecritDurable(const QString& chemin, const QByteArray& octets, QString* erreur) {
    QFile f(chemin);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append)) {
        *erreur = f.errorString();
        return false;
    }
    const qint64 avant = f.size();
    bool ok = f.write(octets) == octets.size() && f.flush();
    if (!ok) {
        *erreur = f.errorString();
    } else if (::fsync(f.handle()) != 0) {
        ok = false;
        *erreur = QString::fromLocal8Bit(std::strerror(errno));
    }
    if (!ok)
        f.resize(avant);
    f.close();
    return ok;
}

EcrivainEnr::Etat EcrivainEnr::vide() {
    // Lines for the same file are written in one piece, in order.
    while (!m_attente.empty()) {
        const QString chemin = m_attente.front().chemin;
        QByteArray bloc;
        size_t n = 0;
        for (const auto& l : m_attente) {
            if (l.chemin != chemin)
                break;
            bloc += l.octets;
            ++n;
        }
        if (!ecritDurable(chemin, bloc, &m_erreur)) {
            m_echec = true;
            return Etat::Echec;
        }
        m_attente.erase(m_attente.begin(), m_attente.begin() + static_cast<long>(n));
    }
    const bool etaitEnEchec = m_echec;
    m_echec = false;
    return etaitEnEchec ? Etat::Retabli : Etat::Ecrit;
}

EcrivainEnr::Etat EcrivainEnr::ajoute(const QString& chemin, const QByteArray& ligne) {
    m_attente.push_back({chemin, ligne});
    return vide();
}

EcrivainEnr::Etat EcrivainEnr::reessaie() {
    return vide();
}

QByteArray EcrivainEnr::contenuEnAttente() const {
    QByteArray b;
    for (const auto& l : m_attente)
        b += l.octets;
    return b;
}

QString EcrivainEnr::cheminEnAttente() const {
    return m_attente.empty() ? QString() : m_attente.front().chemin;
}

} // namespace files
