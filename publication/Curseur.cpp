#include "publication/Curseur.h"

#include <QFile>
#include <QSaveFile>

namespace publication {

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
    return c;
}

bool ecritCurseur(const QString& cheminEnr, const Curseur& c) {
    QSaveFile f(cheminCurseur(cheminEnr));
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write("octet=" + QByteArray::number(c.octet) + "\nn=" + QByteArray::number(c.n) +
            "\nsession=" + c.session.toUtf8() + "\nt_ms=" + QByteArray::number(c.tMs) + '\n');
    return f.commit();
}

} // namespace publication
