#include "publication/Curseur.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <utility>

namespace publication {

quint64 empreinte(QByteArrayView ligne) {
    // FNV-1a, 64 bits: enough to tell two different lines apart.
    quint64 h = 14695981039346656037ull;
    for (const char c : ligne) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    }
    return h == 0 ? 1 : h;
}

std::optional<quint64> empreintePremiere(QFile& f) {
    if (!f.seek(0))
        return std::nullopt;
    const QByteArray l = f.readLine(4096);
    if (!l.endsWith('\n'))
        return std::nullopt;
    return empreinte(l);
}

std::optional<quint64> empreinteAvant(QFile& f, qint64 octet) {
    constexpr qint64 kMax = 4096;
    const qint64 debut = std::max<qint64>(0, octet - kMax);
    if (octet <= 0 || !f.seek(debut))
        return std::nullopt;
    const QByteArray bloc = f.read(octet - debut);
    if (bloc.size() != octet - debut || !bloc.endsWith('\n'))
        return std::nullopt;
    const qsizetype avant = bloc.lastIndexOf('\n', bloc.size() - 2);
    if (avant < 0 && debut > 0)
        return std::nullopt; // a line longer than anything a record file holds
    return empreinte(QByteArrayView(bloc).sliced(avant + 1));
}

QString cheminCurseur(const QString& cheminEnr) {
    return cheminEnr + QStringLiteral(".curseur");
}

Curseur lisCurseur(const QString& cheminEnr, QString* raison) {
    const auto rejette = [&](const QString& pourquoi) {
        if (raison)
            *raison = pourquoi;
        return Curseur();
    };
    QFile f(cheminCurseur(cheminEnr));
    if (!f.exists())
        return Curseur();
    if (!f.open(QIODevice::ReadOnly) || f.size() > 4096)
        return rejette(QStringLiteral("curseur illisible"));
    Curseur c;
    bool octet = false, n = false, t = false;
    for (const QByteArray& ligne : f.readAll().split('\n')) {
        const int egal = ligne.indexOf('=');
        if (egal < 0)
            continue;
        const QByteArray cle = ligne.left(egal), valeur = ligne.mid(egal + 1).trimmed();
        if (cle == "octet")
            c.octet = valeur.toLongLong(&octet);
        else if (cle == "n")
            c.n = valeur.toLongLong(&n);
        else if (cle == "t_ms")
            c.tMs = valeur.toLongLong(&t);
        else if (cle == "session")
            c.session = QString::fromUtf8(valeur);
        else if (cle == "premiere")
            c.premiere = valeur.toULongLong(nullptr, 16);
        else if (cle == "derniere")
            c.derniere = valeur.toULongLong(nullptr, 16);
        else if (cle == "alarme" && (valeur == "0" || valeur == "1"))
            c.alarme = valeur.toInt();
    }
    if (!octet || !n || !t || c.octet < 0 || c.n < 0)
        return rejette(QStringLiteral("curseur endommagé"));
    // It must point at a line start inside the file as it is now.
    QFile enr(cheminEnr);
    if (!enr.open(QIODevice::ReadOnly) || c.octet > enr.size())
        return rejette(QStringLiteral("le fichier d'enregistrement est plus court que le "
                                      "curseur (remplacé ?)"));
    if (c.octet > 0) {
        char avant = 0;
        if (!enr.seek(c.octet - 1) || !enr.getChar(&avant) || avant != '\n')
            return rejette(QStringLiteral("le curseur ne tombe pas au début d'une ligne"));
    }
    // The same lengths are not enough: the lines must be those the cursor saw (a new
    // recording under the same name, a backup put back, a file edited by hand).
    const bool autrePremiere = c.premiere != 0 && empreintePremiere(enr) != c.premiere;
    const bool autreDerniere = c.derniere != 0 && empreinteAvant(enr, c.octet) != c.derniere;
    if (autrePremiere || autreDerniere)
        return rejette(QStringLiteral("le fichier d'enregistrement n'est plus celui que le "
                                      "curseur décrit (remplacé ou récrit)"));
    return c;
}

QStringList fichiersEnRetard(const QStringList& avant) {
    for (qsizetype k = avant.size() - 1; k >= 0; --k)
        if (QFile::exists(cheminCurseur(avant[k])))
            return avant.mid(k);
    return {};
}

bool ecritCurseur(const QString& cheminEnr, const Curseur& c, QString* erreur) {
    QSaveFile f(cheminCurseur(cheminEnr));
    if (!f.open(QIODevice::WriteOnly)) {
        if (erreur)
            *erreur = f.errorString();
        return false;
    }
    f.write("octet=" + QByteArray::number(c.octet) + "\nn=" + QByteArray::number(c.n) +
            "\nsession=" + c.session.toUtf8() + "\nt_ms=" + QByteArray::number(c.tMs) +
            "\npremiere=" + QByteArray::number(c.premiere, 16) +
            "\nderniere=" + QByteArray::number(c.derniere, 16) + '\n' +
            (c.alarme >= 0 ? "alarme=" + QByteArray::number(c.alarme) + '\n' : QByteArray()));
    if (!f.commit()) {
        if (erreur)
            *erreur = f.errorString();
        return false;
    }
    return true;
}

QString sauveCurseurSuivi(const QString& cheminEnr, const Curseur& c, bool& modifie,
                          bool& enEchec) {
    if (!modifie)
        return {};
    QString erreur;
    if (ecritCurseur(cheminEnr, c, &erreur)) {
        modifie = false;
        return std::exchange(enEchec, false) ? avisCurseur(cheminEnr, QString()) : QString();
    }
    if (enEchec)
        return {};
    enEchec = true;
    return avisCurseur(cheminEnr, erreur);
}

QString avisCurseur(const QString& cheminEnr, const QString& erreur) {
    const QString chemin = QDir::toNativeSeparators(cheminCurseur(cheminEnr));
    if (erreur.isEmpty())
        return QStringLiteral("Le curseur %1 est de nouveau enregistré.").arg(chemin);
    return QStringLiteral("Le curseur %1 n'a pas pu être enregistré (%2) : les envois continuent, "
                          "mais si Plovar redémarre, ce que le courtier a déjà acquitté depuis lui "
                          "sera envoyé une seconde fois.")
        .arg(chemin, erreur);
}

} // namespace publication
