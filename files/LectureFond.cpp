#include "files/LectureFond.h"

#include "files/LecteurEnr.h"

#include <QFileInfo>

namespace files {

namespace {

// Thrown from the progress callback to end a reading nobody waits for.
struct LectureAnnulee {};

} // namespace

void LectureFond::arrete() {
    ++m_generation;
    if (!m_lecteur.joinable())
        return;
    m_annule = true;
    m_lecteur.join();
    m_annule = false;
}

int LectureFond::progression() const {
    return static_cast<int>(std::min<qint64>(1000, m_lus.load() * 1000 / m_taille));
}

void LectureFond::lit(const QString& chemin) {
    arrete();
    m_taille = std::max<qint64>(1, QFileInfo(chemin).size());
    m_lus = 0;
    const int generation = m_generation;
    m_lecteur = std::thread([this, chemin, generation] {
        auto m = std::make_shared<core::Magasin>();
        ArretChargement arret;
        FinChargement fin = FinChargement::Echec;
        try {
            fin = ChargeurEnr::charge(
                chemin, *m,
                [this](qint64 position, qint64 taille) {
                    m_taille = std::max<qint64>(1, taille);
                    m_lus = position;
                    if (m_annule)
                        throw LectureAnnulee();
                },
                &arret);
        } catch (const LectureAnnulee&) {
            return;
        }
        QString raison;
        if (fin == FinChargement::ErreurFormat)
            raison = QStringLiteral("une ligne n'a pas de « ; » (ligne %1)").arg(m->NbMesures());
        else if (fin == FinChargement::Echec)
            raison =
                arret.ligne > 0
                    ? QStringLiteral("arrêt à la ligne %1 : %2").arg(arret.ligne).arg(arret.raison)
                    : arret.raison;
        const bool ok = fin == FinChargement::Complet;
        QMetaObject::invokeMethod(
            this,
            [this, m, ok, raison, chemin, generation] {
                termine(m, ok, raison, chemin, generation);
            },
            Qt::QueuedConnection);
    });
}

void LectureFond::termine(std::shared_ptr<core::Magasin> m, bool ok, const QString& raison,
                          const QString& chemin, int generation) {
    if (generation != m_generation)
        return;
    if (m_lecteur.joinable())
        m_lecteur.join();
    emit fini(std::move(m), ok, raison, chemin);
}

} // namespace files
