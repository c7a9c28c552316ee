#include "Factices.h"

#include "graph/Geometrie.h"

#include <QDir>
#include <QFile>

namespace test {

bool ecritFichier(const QString& chemin, const QByteArray& contenu) {
    QFile f(chemin);
    return f.open(QIODevice::WriteOnly) && f.write(contenu) == contenu.size();
}

bool DialoguesFactices::question(QWidget*, const QString& t) {
    questions << t;
    if (reponses.empty())
        return false;
    const bool r = reponses.front();
    reponses.pop_front();
    return r;
}

QString DialoguesFactices::prochainFichier() {
    ++dialoguesFichier;
    if (fichiers.empty())
        return {};
    const QString f = fichiers.front();
    fichiers.pop_front();
    return f;
}

Banc::Banc(const QByteArray& config, const QString& port) : portSerie(port) {
    graph::setTwipsParPixel(15.0);
    if (!config.isNull())
        ecritFichier(dir.filePath(QStringLiteral("plovar.cfg")), config);
    // Work inside the temporary directory: relative record names land there.
    QDir::setCurrent(dir.path());
}

Banc::~Banc() {
    fenetre.reset();
    poste.reset();
    QDir::setCurrent(QDir::tempPath());
}

QByteArray Banc::lit(const QString& nom) const {
    QFile f(chemin(nom));
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

engine::Environnement Banc::environnement(const QString& port) {
    engine::Environnement env;
    env.cheminConfig = dir.filePath(QStringLiteral("plovar.cfg"));
    env.portSerie = port.isEmpty() ? dir.filePath(QStringLiteral("pas-de-port")) : port;
    env.bibliothequesCarte = bibliotheques.isEmpty()
                                 ? QStringList{dir.filePath(QStringLiteral("absente.so"))}
                                 : bibliotheques;
    env.horloge = &horloge;
    // Timers keep their state but never fire: tests call the handlers themselves.
    env.minuteriesManuelles = true;
    env.ecritureAttendue = true;
    return env;
}

app::Enregistreur& Banc::demarre() {
    fenetre.reset();
    poste.reset();
    poste = std::make_unique<app::Poste>(environnement(portSerie));
    moteur = &poste->moteur;
    fenetre = std::make_unique<app::Enregistreur>(*poste, &dialogues);
    fenetre->Form_Load();
    return *fenetre;
}

} // namespace test
