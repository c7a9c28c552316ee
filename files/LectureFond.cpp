#include "files/LectureFond.h"

#include <QFileInfo>

#include <new>

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
    auto m = std::make_shared<core::Magasin>();
    m_lecteur = std::thread([this, m, chemin, generation] {
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
                    emit avance(position, taille);
                },
                &arret);
        } catch (const LectureAnnulee&) {
            return;
        } catch (const std::bad_alloc&) {
            fin = FinChargement::Echec;
            arret.ligne = m->NbMesures();
            arret.raison = QStringLiteral("mémoire insuffisante ; les lignes lues sont gardées");
        }
        QMetaObject::invokeMethod(
            this,
            [this, m, fin, arret, chemin, generation] {
                termine(m, fin, arret, chemin, generation);
            },
            Qt::QueuedConnection);
    });
}

void LectureFond::termine(std::shared_ptr<core::Magasin> m, FinChargement fin,
                          const ArretChargement& arret, const QString& chemin, int generation) {
    if (generation != m_generation)
        return;
    if (m_lecteur.joinable())
        m_lecteur.join();
    emit fini(std::move(m), fin, arret, chemin);
}

} // namespace files
