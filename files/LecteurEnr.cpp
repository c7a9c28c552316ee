#include "files/LecteurEnr.h"

#include <QFile>
#include <QLocale>

#include <cmath>

namespace files {

ResultatAnalyse analyse_ligne(const QString& ligne) {
    ResultatAnalyse r;
    const qsizetype sep = ligne.indexOf(QLatin1Char(';'));
    if (sep < 0) {
        r.type = ResultatAnalyse::Type::ErreurFormat;
        return r;
    }
    // The first character after the separator is always taken; the next three
    // only while no further separator is met.
    QString texte = ligne.mid(sep + 1, 1);
    for (qsizetype k = sep + 2; k < ligne.size() && k <= sep + 4; ++k) {
        if (ligne[k] == QLatin1Char(';'))
            break;
        texte += ligne[k];
    }
    bool ok = false;
    const double v = QLocale::c().toDouble(texte.trimmed(), &ok);
    if (!ok || !std::isfinite(v)) {
        r.type = ResultatAnalyse::Type::PasUnNombre;
        return r;
    }
    r.type = ResultatAnalyse::Type::Valeur;
    r.valeur = v;
    return r;
}

namespace {

// Reads one line without its end; false at the end of the file or on a read error.
bool litLigne(QIODevice& f, QString& ligne, bool& erreur) {
    if (f.atEnd())
        return false;
    QByteArray b = f.readLine(ChargeurEnr::kLongueurMax + 1);
    if (b.isEmpty()) {
        // Not at the end, yet nothing could be read.
        erreur = true;
        return false;
    }
    if (!b.endsWith('\n') && !f.atEnd()) {
        // Over-long line: keep its beginning, pass over the rest.
        char c = 0;
        while (f.getChar(&c) && c != '\n') {
        }
    }
    if (b.endsWith('\n'))
        b.chop(1);
    if (b.endsWith('\r'))
        b.chop(1);
    ligne = QString::fromLatin1(b);
    return true;
}

// What every load starts from: no line, the store showing a file.
void vide(core::Magasin& m) {
    m.NbMesures = 0;
    m.donneesChargees = true;
    m.LigneEntete.clear();
}

} // namespace

FinChargement ChargeurEnr::charge(const QString& chemin, core::Magasin& m,
                                  const Progression& progression) {
    QFile f(chemin);
    if (!f.open(QIODevice::ReadOnly)) {
        vide(m);
        return FinChargement::Echec;
    }
    const FinChargement fin = charge(static_cast<QIODevice&>(f), m, progression);
    if (fin == FinChargement::Complet && f.error() != QFile::NoError)
        return FinChargement::Echec;
    return fin;
}

FinChargement ChargeurEnr::charge(QIODevice& f, core::Magasin& m, const Progression& progression) {
    vide(m);
    const qint64 taille = f.size();
    bool erreur = false;
    if (!litLigne(f, m.LigneEntete, erreur))
        return erreur ? FinChargement::Echec : FinChargement::Complet;
    while (!f.atEnd()) {
        if (progression)
            progression(f.pos() + 1, taille);
        if (m.NbMesures >= core::Magasin::kCapacite)
            return FinChargement::Echec;
        QString ligne;
        if (!litLigne(f, ligne, erreur))
            return FinChargement::Echec;
        m.NbMesures += 1;
        const auto i = static_cast<size_t>(m.NbMesures);
        m.LignesFichier[i] = ligne;
        const ResultatAnalyse a = analyse_ligne(ligne);
        if (a.type == ResultatAnalyse::Type::ErreurFormat) {
            m.TabValeur[i] = core::ValeurMesure::reel(-1);
            return FinChargement::ErreurFormat;
        }
        if (a.type == ResultatAnalyse::Type::PasUnNombre)
            return FinChargement::Echec;
        m.TabValeur[i] = core::ValeurMesure::reel(a.valeur);
    }
    return FinChargement::Complet;
}

} // namespace files
