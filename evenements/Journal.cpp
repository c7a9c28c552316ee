#include "evenements/Journal.h"

#include "files/CodecEnr.h"
#include "files/FichierEvenements.h"

#include <QDir>

namespace evenements {

namespace {

QString type(const char* t) {
    return QString::fromUtf8(t);
}

} // namespace

Journal::Journal(engine::Moteur& moteur, bool repriseApresArret, QObject* parent)
    : QObject(parent), m_moteur(moteur), m_reprise(repriseApresArret) {
    connect(&m_moteur, &engine::Moteur::etatChange, this, &Journal::surEtat);
    connect(&m_moteur, &engine::Moteur::alerteChange, this, &Journal::surAlerte);
    connect(&m_moteur, &engine::Moteur::chargementTermine, this, &Journal::surChargement);
    connect(&m_moteur, &engine::Moteur::echantillonStocke, this, &Journal::surEchantillon);
    connect(&m_moteur, &engine::Moteur::declenchement, this,
            [this](const core::Declencheur& d, double valeur, int gardes) {
                const core::Etalonnage& e = m_moteur.etalonnage();
                note(type(core::Evenement::kDeclenchement),
                     QStringLiteral("Déclenchement : la valeur %1 a franchi %2 le niveau %3 (%4 "
                                    "mesure(s) d'avant gardées).")
                         .arg(e.texteNiveau(valeur), d.seuil.sens(), e.texteNiveau(d.seuil.niveau))
                         .arg(gardes));
            });
    connect(&m_moteur, &engine::Moteur::horlogeSautee, this,
            [this](const QDateTime& prevu, const QDateTime& pris) {
                note(type(core::Evenement::kHorloge),
                     QStringLiteral("L'horloge a sauté de %1 s (mesure attendue à %2, prise à "
                                    "%3).")
                         .arg(prevu.secsTo(pris))
                         .arg(core::formatHeure(prevu.time()), core::formatHeure(pris.time())));
            });
    connect(&m_moteur, &engine::Moteur::finCoupee, this, [this](const QString& chemin) {
        note(type(core::Evenement::kReprise),
             QStringLiteral("%1 finissait au milieu d'une ligne (arrêt brutal pendant une "
                            "écriture) : la ligne coupée est gardée telle quelle et les mesures "
                            "reprennent à la ligne suivante.")
                 .arg(QDir::toNativeSeparators(chemin)));
    });
}

void Journal::surEtat(engine::Etat etat) {
    const engine::Etat avant = m_etat;
    m_etat = etat;
    if (etat == engine::Etat::Enregistrement) {
        m_evenements.clear();
        m_sansLecture = false;
        m_dejaLu = false;
        if (m_reprise) {
            // Said once, at the first run: the previous one ended without stopping.
            m_reprise = false;
            note(type(core::Evenement::kReprise),
                 QStringLiteral("Plovar ne s'était pas arrêté proprement la dernière fois "
                                "(coupure de courant, arrêt forcé) : les mesures de cet "
                                "intervalle manquent."));
        }
        QString attente;
        if (const std::optional<core::Declencheur>& d = m_moteur.declencheurAttendu())
            attente = QStringLiteral(", en attente du franchissement %1 de %2 (%3 mesure(s) "
                                     "d'avant gardées)")
                          .arg(d->seuil.sens(), m_moteur.etalonnage().texteNiveau(d->seuil.niveau))
                          .arg(d->avant);
        note(type(core::Evenement::kDebut),
             QStringLiteral("Début de l'enregistrement : %1, source %2%3.")
                 .arg(core::texteCadence(m_moteur.cadence()), m_moteur.source().nom(), attente));
    } else if (avant == engine::Etat::Enregistrement) {
        const qint64 n = m_moteur.magasin().NbMesures();
        QString texte = m_moteur.enFermeture()
                            ? QStringLiteral("Arrêt de l'enregistrement et du programme après %1 "
                                             "mesure(s)")
                                  .arg(n)
                            : QStringLiteral("Arrêt de l'enregistrement après %1 mesure(s)").arg(n);
        if (!m_motifArret.isEmpty())
            texte += QStringLiteral(" (%1)").arg(m_motifArret);
        m_motifArret.clear();
        note(type(core::Evenement::kArret), texte + QLatin1Char('.'), n);
    }
}

void Journal::surAlerte(engine::Alerte a, const QString& texte) {
    using engine::Alerte;
    const bool nouvelle = !texte.isEmpty() && !m_actives.contains(a);
    const bool retiree = texte.isEmpty() && m_actives.remove(a);
    if (!texte.isEmpty())
        m_actives.insert(a);
    // A source lost or writes failing during a run explain a gap: they are marked.
    if (m_moteur.etat() != engine::Etat::Enregistrement || (!nouvelle && !retiree))
        return;
    if (a == Alerte::Source || a == Alerte::Silence) {
        // One mark where readings stop, one where they come back: the samples between
        // (after the first mark's number, up to the second's) stand for no reading.
        // The mark where they come back is made by the first sample read after.
        if (nouvelle && !m_sansLecture) {
            m_sansLecture = true;
            note(type(core::Evenement::kSourcePerdue), texte);
        }
    } else if (a == Alerte::Ecriture)
        note(type(nouvelle ? core::Evenement::kEcritureEchec : core::Evenement::kEcritureRetablie),
             nouvelle ? texte
                      : QStringLiteral("L'écriture du fichier d'enregistrement fonctionne de "
                                       "nouveau."));
}

bool Journal::sourceEnAlerte() const {
    return m_actives.contains(engine::Alerte::Source) ||
           m_actives.contains(engine::Alerte::Silence);
}

void Journal::surEchantillon(const core::Echantillon& e) {
    if (m_moteur.etat() != engine::Etat::Enregistrement)
        return;
    if (!e.lu && !m_sansLecture) {
        // The source has given nothing yet (absent from the start, or not answered),
        // or its text lines stopped coming.
        m_sansLecture = true;
        note(type(core::Evenement::kSourcePerdue),
             (m_dejaLu ? QStringLiteral("La source (%1) ne donne plus de mesure : les valeurs "
                                        "enregistrées ne sont pas des mesures.")
                       : QStringLiteral("La source (%1) n'a encore donné aucune mesure : les "
                                        "valeurs enregistrées ne sont pas des mesures."))
                 .arg(m_moteur.source().nom()),
             e.numero - 1);
    }
    if (e.lu)
        m_dejaLu = true;
    if (e.lu && m_sansLecture && !sourceEnAlerte()) {
        m_sansLecture = false;
        note(type(core::Evenement::kSourceRevenue),
             QStringLiteral("La source (%1) donne de nouveau des mesures.")
                 .arg(m_moteur.source().nom()),
             e.numero - 1);
    }
}

void Journal::surChargement() {
    // The events recorded beside the file come with it.
    const QString chemin = files::cheminEvenements(m_moteur.cheminCharge());
    const files::LectureEvenements lus = files::lisEvenementsSerie(m_moteur.cheminCharge());
    m_evenements = lus.evenements;
    m_moteur.signale(engine::Alerte::Evenements,
                     lus.raison.isEmpty() ? QString()
                                          : QStringLiteral("Événements de %1 : %2.")
                                                .arg(QDir::toNativeSeparators(chemin), lus.raison));
}

core::Evenement Journal::note(const QString& type, const QString& texte,
                              std::optional<qint64> numero, const QString& fichier) {
    core::Evenement e;
    const core::Magasin& m = m_moteur.magasin();
    e.numero = numero.value_or(
        m_moteur.etat() == engine::Etat::Enregistrement || !m.donneesChargees ? m.NbMesures() : 0);
    e.type = type;
    e.texte = texte;
    return ecrit(e, fichier);
}

core::Evenement Journal::ecrit(core::Evenement e, const QString& fichier) {
    if (e.date.isEmpty()) {
        const QDateTime maintenant = m_moteur.horloge().maintenant();
        e.date = core::formatDate(maintenant.date());
        e.heure = core::formatHeure(maintenant.time());
    }
    m_moteur.ecritEvenement(
        files::cheminEvenements(fichier.isEmpty() ? m_moteur.cheminCourant() : fichier),
        files::ligneEvenement(e));
    m_evenements.push_back(e);
    emit evenement(e);
    return e;
}

bool Journal::ajouteCommentaire(const QString& texte, std::optional<qint64> numero) {
    // Typed or piped text: control characters (a NUL, an escape) become spaces.
    QString sansControle = texte;
    for (QChar& c : sansControle)
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    const QString propre = sansControle.simplified();
    const engine::Etat etat = m_moteur.etat();
    const core::Magasin& m = m_moteur.magasin();
    if (propre.isEmpty() || etat == engine::Etat::Chargement)
        return false;
    // During a recording the comment goes beside its file; on a loaded file, beside
    // that one.
    const bool charge = etat == engine::Etat::Repos && m.donneesChargees;
    if (etat == engine::Etat::Repos && !charge)
        return false;
    const qint64 dernier = m.NbMesures();
    const qint64 n = std::clamp<qint64>(numero.value_or(dernier), 0, dernier);
    // A loaded line keeps its own record number.
    qint64 numeroFichier = n;
    core::Evenement e;
    e.type = type(core::Evenement::kCommentaire);
    e.texte = propre;
    if (n >= 1) {
        const QByteArray ligne = m.LignesFichier(n).toLatin1();
        if (charge)
            numeroFichier = files::numeroEnr(ligne).value_or(n);
        // The number and the time name the same sample: its date and time as the
        // record file has them (a recorded sample's stamp, a loaded line's fields).
        // When the comment was typed at another moment, its text says when.
        const files::ChampsEnr champs = files::champsEnr(ligne);
        QString date = m.TabDate(n), heure = m.TabHeure(n);
        if (date.isEmpty() && files::dateHeureEnr(champs.date, champs.heure).valide()) {
            date = QString::fromLatin1(champs.date);
            heure = QString::fromLatin1(champs.heure);
        }
        if (!date.isEmpty()) {
            e.date = date;
            e.heure = heure;
            const QDateTime maintenant = m_moteur.horloge().maintenant();
            if (e.date != core::formatDate(maintenant.date()) ||
                e.heure != core::formatHeure(maintenant.time()))
                e.texte += QStringLiteral(" (écrit le %1 à %2)")
                               .arg(maintenant.date().toString(QStringLiteral("dd/MM/yyyy")),
                                    maintenant.time().toString(QStringLiteral("HH:mm:ss")));
        }
    }
    e.numero = numeroFichier;
    ecrit(e, charge ? m_moteur.cheminCharge() : QString());
    return true;
}

} // namespace evenements
