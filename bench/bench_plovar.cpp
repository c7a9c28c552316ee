// Speed of the hot paths, each against a baseline measured in the same run:
// the sampling tick at a full store against a nearly empty one, the redraw against
// setting the whole list text and drawing every segment, and a file load with its
// window against reading and parsing the same file with no window at all.
#include "AccesMoteur.h"
#include "HorlogeFixe.h"
#include "PortLibre.h"
#include "app/Enregistreur.h"
#include "app/Poste.h"
#include "core/Horloge.h"
#include "engine/Ecriture.h"
#include "files/EcrivainEnr.h"
#include "files/ExportMesures.h"
#include "files/LecteurEnr.h"
#include "graph/Geometrie.h"
#include "graph/GrapheGrand.h"
#include "graph/RenduGrand.h"
#include "publication/Publieur.h"
#include "sources/SourceTexte.h"
#include "ui/Dialogues.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSerialPort>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QWheelEvent>

#include <benchmark/benchmark.h>

#include <charconv>
#include <cmath>
#include <cstring>

#include <arpa/inet.h>
#include <fcntl.h>
#include <mosquitto.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

long residentKo() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& l : f.readAll().split('\n'))
        if (l.startsWith("VmRSS:"))
            return l.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

long residentMo() {
    return residentKo() / 1024;
}

// An engine's world in `dir`: a configuration recording `fichier` once a second in
// test mode at window width `largeur`, no device, the fake clock, timers that never fire.
engine::Environnement environnementBanc(const QTemporaryDir& dir, const core::Horloge& horloge,
                                        const char* fichier, int largeur) {
    QFile cfg(dir.filePath(QStringLiteral("plovar.cfg")));
    cfg.open(QIODevice::WriteOnly);
    cfg.write("\"X\",\"" + dir.filePath(QString::fromLatin1(fichier)).toUtf8() + "\",1,0," +
              QByteArray::number(largeur) + "\r\n");
    cfg.close();
    engine::Environnement env;
    env.cheminConfig = cfg.fileName();
    env.portSerie = dir.filePath(QStringLiteral("aucun"));
    env.bibliothequesCarte = {dir.filePath(QStringLiteral("aucune.so"))};
    env.horloge = &horloge;
    env.minuteriesManuelles = true;
    return env;
}

class DialoguesMuets : public ui::Dialogues {
public:
    QString fichier;
    bool question(QWidget*, const QString&) override { return false; }
    void message(QWidget*, const QString&) override {}
    void avertissement(QWidget*, const QString&) override {}
    QString nouveauFichier(QWidget*) override { return fichier; }
    QString ouvreFichier(QWidget*) override { return fichier; }
    QString fichierSecours(QWidget*, const QString&) override { return {}; }
    QString fichierImage(QWidget*, const QString&, QString*) override { return {}; }
    std::optional<core::ReglageAlarme> alarme(QWidget*, const core::ReglageAlarme&,
                                              const QString&) override {
        return std::nullopt;
    }
    std::optional<QString> commentaire(QWidget*, const QString&) override { return std::nullopt; }
    std::optional<core::Etalonnage> etalonnage(QWidget*, const core::Etalonnage&) override {
        return std::nullopt;
    }
    QString fichierExport(QWidget*, const QString&, bool*) override { return {}; }
    std::optional<QDateTime> allerA(QWidget*, const QDateTime&, const QDateTime&,
                                    const QDateTime&) override {
        return std::nullopt;
    }
    std::optional<core::Plan> programme(QWidget*, const core::Plan&, qint64, const QString&,
                                        bool) override {
        return std::nullopt;
    }
    std::optional<core::ReglageTexte> sourceTexte(QWidget*, const core::ReglageTexte&) override {
        return std::nullopt;
    }
    void bip() override {}
    void ouvreLien(const QUrl&) override {}
};

struct Fenetre {
    QTemporaryDir dir;
    // Time moves one sampling period per tick, as it does for a real recording.
    test::HorlogeFixe horloge;
    DialoguesMuets dialogues;
    std::unique_ptr<app::Poste> poste;
    std::unique_ptr<app::Enregistreur> f;
    Fenetre(int largeur = 7890) {
        poste = std::make_unique<app::Poste>(environnementBanc(dir, horloge, "b.csv", largeur));
        f = std::make_unique<app::Enregistreur>(*poste, &dialogues);
        f->Form_Load();
    }
    void remplit(qint64 n) {
        core::Magasin& m = test::AccesMoteur::magasin(f->moteur());
        m.vide();
        const QDateTime t(QDate(2006, 11, 8), QTime(14, 5, 9), Qt::UTC);
        for (qint64 i = 1; i <= n; ++i)
            m.ajoute((i * 37) % 1000, t.addSecs(i));
    }
    // Paints what the user sees of the graph and the list.
    void peint(QImage& img) {
        QPainter p(&img);
        f->ui().Ecran1->dessine(p);
        p.end();
        f->ui().Text1->viewport()->render(&img);
    }
};

// One sampling tick (store, redraw, durable append) with n samples already stored.
void BM_Tick(benchmark::State& etat) {
    Fenetre w;
    const qint64 n = etat.range(0);
    w.f->CmdRecord_Click();
    w.remplit(n - 1);
    w.f->affich();
    QImage img(w.f->ui().Ecran1->size(), QImage::Format_RGB32);
    for (auto _ : etat) {
        w.horloge.avance(1);
        w.f->Timer1_Timer();
        w.peint(img);
    }
    etat.counters["VmRSS_Mo"] = residentMo();
    w.f->CmdRecord_Click();
}
BENCHMARK(BM_Tick)->Arg(100)->Arg(32000)->Arg(2678400)->Arg(31557600)->Unit(
    benchmark::kMillisecond);

// What a sample's line costs the sampling thread: 0 written there, opened, written,
// flushed and closed, as the tick once did; 1 handed to the writer's thread, as
// the tick does now. A flush of 0 or 20 ms (a slow card or stick) in the second
// argument.
void BM_LigneTick(benchmark::State& etat) {
    struct Disque : files::AppelsSysteme {
        int ms = 0;
        int synchronise(int fd) override {
            if (ms > 0)
                QThread::msleep(ulong(ms));
            return AppelsSysteme::synchronise(fd);
        }
    };
    static Disque disque; // outlives a writer's thread still flushing at the end
    disque.ms = int(etat.range(1));
    QTemporaryDir dir;
    const QString chemin = dir.filePath(QStringLiteral("r.csv"));
    core::Echantillon e;
    e.valeur = core::ValeurMesure::entier(512);
    e.date = QStringLiteral("12-09-2026");
    e.heure = QStringLiteral("16:04:17");
    if (etat.range(0) == 0) {
        files::EcrivainEnr ecrivain(disque);
        for (auto _ : etat) {
            ++e.numero;
            ecrivain.ajoute(chemin, files::ligneEnr(e));
        }
    } else {
        engine::Ecriture ecriture(disque);
        for (auto _ : etat) {
            ++e.numero;
            e.instantMs += 1000;
            ecriture.ajoute(chemin, e);
        }
        // Outside the timing: the lines still waiting reach the disk.
        ecriture.sauveAttente(true);
    }
}
BENCHMARK(BM_LigneTick)
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 20})
    ->Args({1, 20})
    ->Unit(benchmark::kMicrosecond);

// What a board printing 20-byte lines at 2 Mbaud costs the sampling thread: one
// second of its output (200,000 bytes, 10,000 lines) through a pseudo-terminal, in
// 200-byte pieces a millisecond apart as a USB serial link hands them over. The
// time reported is the sampling thread's own processor time for that second, so
// "part_coeur" is the share of a core. 0: the bytes only read and dropped (the
// port's own cost, the baseline); 1: read as the text-line source reads them.
void BM_LignesTexte(benchmark::State& etat) {
    const int maitre = posix_openpt(O_RDWR | O_NOCTTY);
    grantpt(maitre);
    unlockpt(maitre);
    const QString esclave = QString::fromLatin1(ptsname(maitre));
    QByteArray seconde;
    for (int k = 0; seconde.size() < 200000; ++k) {
        QByteArray l = "t:" + QByteArray::number(20 + (k % 100) / 10.0, 'f', 1) + " h:40";
        l = l.leftJustified(19, ' ') + '\n';
        seconde += l;
    }
    qint64 maintenant = 0;
    sources::SourceTexte source([&] { return maintenant; });
    QSerialPort brut;
    qint64 recus = 0;
    if (etat.range(0) == 0) {
        brut.setPortName(esclave);
        brut.open(QIODevice::ReadOnly);
        QObject::connect(&brut, &QSerialPort::readyRead, [&] { recus += brut.readAll().size(); });
    } else {
        core::ReglageTexte r;
        r.port = esclave;
        r.vitesse = 2000000;
        r.etiquette = QStringLiteral("t");
        source.regle(r);
        source.ouvre();
    }
    const auto octetsLus = [&] {
        return etat.range(0) == 0
                   ? recus
                   : 20 * (source.lecteur().nbLues() + source.lecteur().nbRefusees());
    };
    for (auto _ : etat) {
        const qint64 avant = octetsLus();
        std::thread ecrivain([&] {
            for (int i = 0; i < seconde.size(); i += 200) {
                [[maybe_unused]] const ssize_t n = ::write(maitre, seconde.constData() + i, 200);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        timespec t0{}, t1{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t0);
        QElapsedTimer limite;
        limite.start();
        // Woken by the port, or by this timer when the bytes stop coming.
        QTimer reveil;
        reveil.start(50);
        while (octetsLus() - avant < seconde.size() && limite.elapsed() < 10000) {
            ++maintenant;
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t1);
        ecrivain.join();
        etat.SetIterationTime(double(t1.tv_sec - t0.tv_sec) +
                              double(t1.tv_nsec - t0.tv_nsec) * 1e-9);
    }
    // Processor seconds per second of data: the share of a core.
    etat.counters["part_coeur"] = benchmark::Counter(
        double(etat.iterations()), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    etat.counters["lignes"] = double(etat.range(0) == 1 ? source.lecteur().nbLues() : 0);
    if (etat.range(0) == 1 && source.lecteur().nbRefusees() > 0)
        etat.SkipWithError("lignes refusées");
    ::close(maitre);
}
BENCHMARK(BM_LignesTexte)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The same tick at 32000 samples: 0 without an alarm, 1 with an alarm judged at
// every sample, 2 with an alarm that changes (an event written) at every sample.
void BM_TickAlarme(benchmark::State& etat) {
    Fenetre w;
    core::ReglageAlarme r;
    r.haute = 0.5;
    if (etat.range(0) > 0)
        w.f->poste().alarme.choisitAlarme(r, false);
    w.f->CmdRecord_Click();
    w.remplit(31999);
    w.f->affich();
    QImage img(w.f->ui().Ecran1->size(), QImage::Format_RGB32);
    int16_t valeur = 0;
    for (auto _ : etat) {
        if (etat.range(0) == 2)
            test::AccesMoteur::cycle(w.f->moteur()).ValeurTest = valeur = int16_t(1 - valeur);
        w.horloge.avance(1);
        w.f->Timer1_Timer();
        w.peint(img);
    }
    w.f->CmdRecord_Click();
}
BENCHMARK(BM_TickAlarme)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_Affich(benchmark::State& etat) {
    Fenetre w;
    w.remplit(static_cast<int>(etat.range(0)));
    QImage img(w.f->ui().Ecran1->size(), QImage::Format_RGB32);
    for (auto _ : etat) {
        w.f->affich();
        w.peint(img);
    }
}
BENCHMARK(BM_Affich)->Arg(32000)->Arg(2678400)->Unit(benchmark::kMillisecond);

// The redraw of a month with 10,000 events marked (and painted), against none.
void BM_AffichEvenements(benchmark::State& etat) {
    Fenetre w;
    w.remplit(2678400);
    std::vector<graph::Marque> marques;
    for (qint64 k = 0; k < etat.range(0); ++k)
        marques.push_back({1 + k * 267, QStringLiteral("C"), QColor(90, 200, 255), QString()});
    w.f->ui().Ecran1->setMarques(std::move(marques));
    QImage img(w.f->ui().Ecran1->size(), QImage::Format_RGB32);
    for (auto _ : etat) {
        w.f->affich();
        w.peint(img);
    }
}
BENCHMARK(BM_AffichEvenements)->Arg(0)->Arg(10000)->Unit(benchmark::kMillisecond);

// Baseline: the whole list as one text in a text box, and every segment drawn.
void BM_AffichNaif(benchmark::State& etat) {
    Fenetre w;
    const int n = static_cast<int>(etat.range(0));
    w.remplit(n);
    QPlainTextEdit texte;
    texte.resize(w.f->ui().Text1->size());
    QImage img(w.f->ui().Ecran1->size(), QImage::Format_RGB32);
    for (auto _ : etat) {
        QString t;
        for (int i = n; i >= 0; --i)
            t += QString::number(i) + QStringLiteral(" ---- ") +
                 QString::number(w.f->moteur().magasin().valeur(i))
                     .rightJustified(3, QLatin1Char('0')) +
                 QStringLiteral(" --- ") + w.f->moteur().magasin().TabDate(i) +
                 QStringLiteral(" --- ") + w.f->moteur().magasin().TabHeure(i) +
                 QStringLiteral("\r\n");
        texte.setPlainText(t);
        QPainter p(&img);
        p.fillRect(img.rect(), Qt::black);
        p.setPen(QPen(Qt::green, 0));
        const double sx = img.width() / double(n), sy = img.height() / 255.0;
        QPointF avant(0, 255 * sy);
        for (int i = 1; i <= n; ++i) {
            const QPointF pt(i * sx, (255 - w.f->moteur().magasin().valeur(i)) * sy);
            p.drawLine(avant, pt);
            avant = pt;
        }
        p.end();
        texte.viewport()->render(&img);
    }
}
BENCHMARK(BM_AffichNaif)->Arg(32000)->Unit(benchmark::kMillisecond);

QString fichierMesures(const QTemporaryDir& dir, int n) {
    const QString chemin = dir.filePath(QStringLiteral("gros.csv"));
    QFile f(chemin);
    f.open(QIODevice::WriteOnly);
    QByteArray b = files::enteteEnr();
    for (int i = 1; i <= n; ++i)
        b += files::ligneEnr(i, core::ValeurMesure::reel((i * 37) % 1000),
                             QStringLiteral("11-08-2006"), QStringLiteral("14:05:09"));
    f.write(b);
    return chemin;
}

void BM_Chargement(benchmark::State& etat) {
    Fenetre w(3600);
    w.dialogues.fichier = fichierMesures(w.dir, static_cast<int>(etat.range(0)));
    w.f->show();
    for (auto _ : etat)
        w.f->menu_charger_Click();
    if (w.f->moteur().magasin().NbMesures() != etat.range(0))
        etat.SkipWithError("load incomplete");
}
BENCHMARK(BM_Chargement)->Arg(32000)->Arg(2678400)->Unit(benchmark::kMillisecond);

// Baseline: reading and parsing the same file with no window.
void BM_ChargementSansFenetre(benchmark::State& etat) {
    QTemporaryDir dir;
    const QString chemin = fichierMesures(dir, static_cast<int>(etat.range(0)));
    auto m = std::make_unique<core::Magasin>();
    for (auto _ : etat)
        benchmark::DoNotOptimize(files::ChargeurEnr::charge(chemin, *m));
}
BENCHMARK(BM_ChargementSansFenetre)->Arg(32000)->Arg(2678400)->Unit(benchmark::kMillisecond);

// Baseline: the plainest read and parse of the same file, the whole file at once,
// each line's value after the first ";" converted, nothing kept.
void BM_LecturePlaine(benchmark::State& etat) {
    QTemporaryDir dir;
    const QString chemin = fichierMesures(dir, static_cast<int>(etat.range(0)));
    for (auto _ : etat) {
        QFile f(chemin);
        f.open(QIODevice::ReadOnly);
        const QByteArray tout = f.readAll();
        double somme = 0;
        for (qsizetype debut = 0; debut < tout.size();) {
            qsizetype fin = tout.indexOf('\n', debut);
            if (fin < 0)
                fin = tout.size();
            const qsizetype sep = tout.indexOf(';', debut);
            if (sep >= 0 && sep < fin)
                somme += QByteArray(tout.constData() + sep + 1, 3).toDouble();
            debut = fin + 1;
        }
        benchmark::DoNotOptimize(somme);
    }
}
BENCHMARK(BM_LecturePlaine)->Arg(32000)->Arg(2678400)->Unit(benchmark::kMillisecond);

// Record files of a long run at one sample a second from 1 January 2026, 00:00:00
// (local time), values as a sensor gives them: a daily swing with some noise, whole
// numbers. Made once per length and kept for the run of the benchmarks.
QString fichierLong(qint64 n) {
    static QTemporaryDir dir;
    const QString chemin = dir.filePath(QStringLiteral("long_%1.csv").arg(n));
    if (QFile::exists(chemin))
        return chemin;
    QFile f(chemin);
    f.open(QIODevice::WriteOnly);
    f.write(files::enteteEnr());
    QDateTime t(QDate(2026, 1, 1), QTime(0, 0));
    QByteArray bloc;
    QByteArray date, jour;
    qint64 jourVu = -1;
    char l[64];
    for (qint64 i = 1; i <= n; ++i) {
        const qint64 s = (i - 1) % 86400;
        if ((i - 1) / 86400 != jourVu) {
            jourVu = (i - 1) / 86400;
            date =
                QDate(2026, 1, 1).addDays(jourVu).toString(QStringLiteral("MM-dd-yyyy")).toLatin1();
        }
        const int v = static_cast<int>(500 + 300 * std::sin(static_cast<double>(i) * 7.27e-5)) +
                      static_cast<int>(i % 37);
        const int k = std::snprintf(
            l, sizeof l, "%lld;%d;%s;%02lld:%02lld:%02lld\r\n", static_cast<long long>(i), v,
            date.constData(), static_cast<long long>(s / 3600), static_cast<long long>(s / 60 % 60),
            static_cast<long long>(s % 60));
        bloc.append(l, k);
        if (bloc.size() > (1 << 20)) {
            f.write(bloc);
            bloc.clear();
        }
    }
    f.write(bloc);
    return chemin;
}

constexpr qint64 kMois = 2'678'400;
constexpr qint64 kQuatreMois = 10'540'800;
constexpr qint64 kAnnee = 31'557'600;

// The load of a long file into a store, with its lines left in the file.
void BM_ChargementLong(benchmark::State& etat) {
    const QString chemin = fichierLong(etat.range(0));
    auto m = std::make_unique<core::Magasin>();
    for (auto _ : etat) {
        // Into an empty store whose memory went back to the system, as the first
        // file opened: emptying the last one is not the load's cost, the pages
        // the load touches first are.
        etat.PauseTiming();
        m->vide();
        etat.ResumeTiming();
        if (files::ChargeurEnr::charge(chemin, *m) != files::FinChargement::Complet)
            etat.SkipWithError("load failed");
    }
    if (m->NbMesures() != etat.range(0) || m->LignesFichier(m->NbMesures()).isEmpty())
        etat.SkipWithError("load incomplete");
    etat.counters["ns_ligne"] = benchmark::Counter(static_cast<double>(etat.range(0)) * 1e-9,
                                                   benchmark::Counter::kIsIterationInvariantRate |
                                                       benchmark::Counter::kInvert);
}
BENCHMARK(BM_ChargementLong)
    ->Arg(kMois)
    ->Arg(kQuatreMois)
    ->Arg(kAnnee)
    ->Unit(benchmark::kMillisecond);

// Baseline: the least a load can do: the file read in blocks of 1 MiB, each line
// found and its four fields turned into numbers (the record number, the value, the
// date as a day count and the time as seconds), nothing kept.
void BM_LectureMinimale(benchmark::State& etat) {
    const QString chemin = fichierLong(etat.range(0));
    const auto entier = [](const char* p, const char* fin) {
        qint64 v = 0;
        for (; p < fin && *p >= '0' && *p <= '9'; ++p)
            v = v * 10 + (*p - '0');
        return v;
    };
    for (auto _ : etat) {
        QFile f(chemin);
        f.open(QIODevice::ReadOnly);
        QByteArray tampon(1 << 20, Qt::Uninitialized);
        qsizetype garde = 0;
        double somme = 0;
        qint64 cumul = 0;
        for (;;) {
            const qint64 n = f.read(tampon.data() + garde, tampon.size() - garde);
            if (n <= 0)
                break;
            const char* p = tampon.constData();
            const char* fin = p + garde + n;
            for (;;) {
                const char* nl = static_cast<const char*>(std::memchr(p, '\n', fin - p));
                if (!nl)
                    break;
                const char* champs[4] = {p, nl, nl, nl};
                const char* c = p;
                for (int k = 1; k < 4; ++k) {
                    c = static_cast<const char*>(std::memchr(c, ';', nl - c));
                    if (!c)
                        break;
                    champs[k] = ++c;
                }
                double v = 0;
                std::from_chars(champs[1], champs[2] - 1, v);
                somme += v;
                const char* d = champs[2];
                const char* h = champs[3];
                if (nl - d > 18) {
                    // mm-dd-yyyy hh:mm:ss: days since year 0 (near enough) and seconds.
                    const qint64 jours =
                        entier(d + 6, d + 10) * 366 + entier(d, d + 2) * 31 + entier(d + 3, d + 5);
                    const qint64 secondes =
                        entier(h, h + 2) * 3600 + entier(h + 3, h + 5) * 60 + entier(h + 6, h + 8);
                    cumul += entier(champs[0], champs[1]) + jours * 86400 + secondes;
                }
                p = nl + 1;
            }
            garde = fin - p;
            std::memmove(tampon.data(), p, static_cast<size_t>(garde));
        }
        benchmark::DoNotOptimize(somme);
        benchmark::DoNotOptimize(cumul);
    }
    etat.counters["ns_ligne"] = benchmark::Counter(static_cast<double>(etat.range(0)) * 1e-9,
                                                   benchmark::Counter::kIsIterationInvariantRate |
                                                       benchmark::Counter::kInvert);
}
BENCHMARK(BM_LectureMinimale)
    ->Arg(kMois)
    ->Arg(kQuatreMois)
    ->Arg(kAnnee)
    ->Unit(benchmark::kMillisecond);

// Memory a loaded year takes: the process's resident size after the load against
// before it, per sample (run it alone: --benchmark_filter=BM_MemoireAnnee).
void BM_MemoireAnnee(benchmark::State& etat) {
    const QString chemin = fichierLong(kAnnee);
    for (auto _ : etat) {
        const long avant = residentKo();
        auto m = std::make_unique<core::Magasin>();
        files::ChargeurEnr::charge(chemin, *m);
        const long apres = residentKo();
        etat.counters["octets_mesure"] =
            static_cast<double>(apres - avant) * 1024.0 / static_cast<double>(m->NbMesures());
        etat.counters["estime_octets_mesure"] =
            static_cast<double>(m->octets()) / static_cast<double>(m->NbMesures());
    }
}
BENCHMARK(BM_MemoireAnnee)->Iterations(1)->Unit(benchmark::kMillisecond);

// The durable append alone (write, flush, fsync), per line.
void BM_AjoutDurable(benchmark::State& etat) {
    QTemporaryDir dir;
    files::EcrivainEnr e;
    const QString chemin = dir.filePath(QStringLiteral("a.csv"));
    const QByteArray l = "1;999;11-08-2006;14:05:09\r\n";
    for (auto _ : etat)
        e.ajoute(chemin, l);
}
BENCHMARK(BM_AjoutDurable)->Unit(benchmark::kMillisecond);

// Statistics of the whole run kept up to date: one new sample, then the figures of
// everything, against a plain pass over the same samples.
core::Magasin& magasinMois() {
    static core::Magasin m;
    if (m.NbMesures() == 0) {
        const QDateTime t(QDate(2026, 12, 1), QTime(0, 0), Qt::UTC);
        for (qint64 i = 1; i <= 2678400; ++i)
            m.ajoute((i * 37) % 1000, t.addSecs(i));
    }
    return m;
}

void BM_Statistiques(benchmark::State& etat) {
    core::Magasin& m = magasinMois();
    const QDateTime t(QDate(2026, 12, 31), QTime(0, 0), Qt::UTC);
    for (auto _ : etat) {
        m.ajoute(500, t);
        benchmark::DoNotOptimize(m.statistiques(1, m.NbMesures()));
    }
}
BENCHMARK(BM_Statistiques)->Unit(benchmark::kMicrosecond);

void BM_StatistiquesNaives(benchmark::State& etat) {
    const core::Magasin& m = magasinMois();
    for (auto _ : etat) {
        double somme = 0, carres = 0, mini = 1e300, maxi = -1e300;
        for (qint64 i = 1; i <= m.NbMesures(); ++i) {
            const double v = m.valeur(i);
            somme += v;
            carres += v * v;
            mini = std::min(mini, v);
            maxi = std::max(maxi, v);
        }
        benchmark::DoNotOptimize(somme + carres + mini + maxi);
    }
}
BENCHMARK(BM_StatistiquesNaives)->Unit(benchmark::kMicrosecond);

// 0 to 999 read as 0 to 99.9 °C.
core::Etalonnage etalonnageDegres() {
    core::Etalonnage e;
    e.actif = true;
    e.physique2 = 99.9;
    e.unite = QStringLiteral("°C");
    return e;
}

// The spreadsheet export of a month, with a calibration, against writing the same
// bytes with one write.
void BM_Export(benchmark::State& etat) {
    const core::Magasin& m = magasinMois();
    QTemporaryDir dir;
    const core::Etalonnage e = etalonnageDegres();
    for (auto _ : etat) {
        QString erreur;
        files::exporteMesures(dir.filePath(QStringLiteral("e.csv")), m, 1, m.NbMesures(), e, {},
                              &erreur);
    }
}
BENCHMARK(BM_Export)->Unit(benchmark::kMillisecond);

void BM_ExportUneEcriture(benchmark::State& etat) {
    const core::Magasin& m = magasinMois();
    QTemporaryDir dir;
    const core::Etalonnage e = etalonnageDegres();
    QBuffer tampon;
    tampon.open(QIODevice::WriteOnly);
    files::exporteMesures(tampon, m, 1, m.NbMesures(), e);
    const QByteArray octets = tampon.data();
    for (auto _ : etat) {
        QFile f(dir.filePath(QStringLiteral("e.csv")));
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(octets);
        f.close();
    }
}
BENCHMARK(BM_ExportUneEcriture)->Unit(benchmark::kMillisecond);

// A month at one sample a second, loaded: values with a daily swing, times from
// 1 October 2026 (across the autumn clock change).
struct Mois {
    core::Magasin m;
    graph::Chronologie c;
    Mois() {
        const qint64 t0 = 1'790'812'800'000; // 2026-10-01 00:00:00 UTC
        for (qint64 i = 0; i < 2'678'400; ++i)
            m.ajouteLigne(500 + 300 * std::sin(i * 7.27e-5) + (i % 37), "", t0 + i * 1000);
        c.actualise(m);
    }
};
Mois& mois() {
    static Mois m;
    return m;
}

// A year at one sample a second loaded from its file, as the large window holds it.
struct Annee {
    core::Magasin m;
    graph::Chronologie c;
    Annee() {
        files::ChargeurEnr::charge(fichierLong(kAnnee), m);
        c.actualise(m);
    }
};
Annee& annee() {
    static Annee a;
    return a;
}

// The large window's redraw at 1920 x 1080 over a year (a daily swing and a sawtooth
// of 37 samples, as a real sensor's noise looks), at a sweep of spans from the whole
// year down to four samples, around the middle of the year.
void BM_GrandRedessin(benchmark::State& etat) {
    Annee& d = annee();
    graph::SceneGrand s;
    s.magasin = &d.m;
    s.chronologie = &d.c;
    struct Etendue {
        double largeur;
        const char* nom;
    };
    static const Etendue etendues[] = {{31'557'600, "annee"},
                                       {10'540'800, "4 mois"},
                                       {2'678'400, "mois"},
                                       {86'400, "jour"},
                                       {3'600, "heure"},
                                       {900, "15 min"},
                                       {300, "5 min"},
                                       {100, "100"},
                                       {30, "30"},
                                       {10, "10"},
                                       {4, "4"}};
    const Etendue& e = etendues[etat.range(0)];
    s.cadrage = {std::max(1.0, 15'800'000 - e.largeur / 2), e.largeur};
    QImage img(1920, 1080, QImage::Format_RGB32);
    for (auto _ : etat) {
        QPainter p(&img);
        graph::dessineGrand(p, QRectF(0, 0, 1920, 1080), s);
    }
    etat.SetLabel(e.nom);
}
BENCHMARK(BM_GrandRedessin)->DenseRange(0, 10)->Unit(benchmark::kMillisecond);

// One wheel notch, end to end: the event, the new view, the repaint of the control,
// around a day (86,400 samples) and around a quarter of an hour (900).
void BM_GrandMolette(benchmark::State& etat) {
    Mois& d = mois();
    graph::GrapheGrand g;
    g.resize(1920, 1080);
    g.setDonnees(&d.m, &d.c);
    g.setCadrage({1'300'000, static_cast<double>(etat.range(0))});
    QImage img(1920, 1080, QImage::Format_RGB32);
    g.render(&img);
    int zooms = 0;
    QObject::connect(&g, &graph::GrapheGrand::cadrageChange, [&zooms] { ++zooms; });
    int sens = 120;
    int n = 0;
    for (auto _ : etat) {
        // In and out in turn, so the view stays near where it began.
        QWheelEvent e(QPointF(900, 500), g.mapToGlobal(QPointF(900, 500)), QPoint(),
                      QPoint(0, sens), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&g, &e);
        g.render(&img);
        if (++n % 4 == 0)
            sens = -sens;
    }
    if (zooms < n)
        etat.SkipWithError("the wheel did not zoom");
}
BENCHMARK(BM_GrandMolette)->Arg(86'400)->Arg(900)->Unit(benchmark::kMillisecond);

// Baseline: filling a 1920 x 1080 picture and drawing one line through 1920 points.
void BM_GrandPlancher(benchmark::State& etat) {
    QImage img(1920, 1080, QImage::Format_RGB32);
    QPolygonF l;
    for (int x = 0; x < 1920; ++x)
        l << QPointF(x, 540 + 400 * std::sin(x / 50.0));
    for (auto _ : etat) {
        QPainter p(&img);
        p.fillRect(img.rect(), Qt::black);
        p.setPen(Qt::green);
        p.drawPolyline(l);
    }
}
BENCHMARK(BM_GrandPlancher)->Unit(benchmark::kMillisecond);

// A mosquitto on a free loopback port and a QoS 1 subscriber that reads everything.
struct CourtierBanc {
    QTemporaryDir dir;
    int port = 0;
    QProcess courtier, abonne;
    CourtierBanc() {
        port = test::portLibre();
        QFile conf(dir.filePath(QStringLiteral("m.conf")));
        conf.open(QIODevice::WriteOnly);
        conf.write("listener " + QByteArray::number(port) +
                   " 127.0.0.1\nallow_anonymous true\nmax_queued_messages 0\nlog_dest none\nuser " +
                   QByteArray(::getpwuid(::getuid())->pw_name) + "\n");
        conf.close();
        courtier.start(QStringLiteral("mosquitto"), {QStringLiteral("-c"), conf.fileName()});
        courtier.waitForStarted();
        QThread::msleep(300);
        abonne.setStandardOutputFile(QProcess::nullDevice());
        abonne.start(QStringLiteral("mosquitto_sub"),
                     {"-h", "127.0.0.1", "-p", QString::number(port), "-q", "1", "-t", "plovar/#"});
        abonne.waitForStarted();
        QThread::msleep(300);
    }
    ~CourtierBanc() {
        abonne.terminate();
        courtier.terminate();
        abonne.waitForFinished();
        courtier.waitForFinished();
    }
};

QString fichierRejeu(const QTemporaryDir& dir, int n) {
    const QString chemin = dir.filePath(QStringLiteral("rejeu_%1.csv").arg(n));
    QFile f(chemin);
    f.open(QIODevice::WriteOnly);
    QByteArray b;
    for (int i = 1; i <= n; ++i)
        b += files::ligneEnr(i, core::ValeurMesure::reel((i * 37) % 1000),
                             QStringLiteral("12-07-2026"),
                             QTime(0, 0).addSecs(i % 86400).toString(QStringLiteral("HH:mm:ss")));
    f.write(b);
    return chemin;
}

// Replay of a record file to the broker, until all is acknowledged: 1,000, 10,000
// and 100,000 lines, so that a slow start shows against the steady rate.
void BM_Rejeu(benchmark::State& etat) {
    CourtierBanc c;
    const QString chemin = fichierRejeu(c.dir, static_cast<int>(etat.range(0)));
    for (auto _ : etat) {
        publication::ReglagePublication r;
        r.hote = QStringLiteral("127.0.0.1");
        r.port = c.port;
        r.poste = QStringLiteral("banc");
        r.cadenceRejeu = 10'000'000;
        publication::Publieur p(r);
        // Woken by the publisher's own report, as a window is: polling the count
        // between events would read the file's size thousands of times.
        QEventLoop boucle;
        QObject::connect(&p, &publication::Publieur::bilanChange, &boucle,
                         [&boucle](const publication::Bilan& b) {
                             if (b.etat == publication::Publieur::Etat::Connecte &&
                                 b.enAttente == 0)
                                 boucle.quit();
                         });
        p.suitFichier(chemin, false);
        p.demarre();
        boucle.exec();
        p.arrete();
    }
    etat.SetItemsProcessed(etat.iterations() * etat.range(0));
}
BENCHMARK(BM_Rejeu)
    ->Arg(1000)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The floor: the same payloads from a minimal publisher written on libmosquitto, a
// thousand in flight, its own loop.
void BM_RejeuPlancher(benchmark::State& etat) {
    CourtierBanc c;
    const QString chemin = fichierRejeu(c.dir, static_cast<int>(etat.range(0)));
    std::vector<QByteArray> charges;
    publication::FileEnr file(chemin);
    for (;;) {
        const std::vector<publication::LigneLue> v = file.lit(4096);
        if (v.empty())
            break;
        for (const publication::LigneLue& l : v)
            charges.push_back(publication::chargeMesure(
                {"banc", l.session, l.n, l.tMs, l.decalage, l.brut, l.brut, QString()}));
    }
    mosquitto_lib_init();
    for (auto _ : etat) {
        struct Compte {
            size_t acquittes = 0;
        } compte;
        mosquitto* m = mosquitto_new(nullptr, true, &compte);
        mosquitto_max_inflight_messages_set(m, 0);
        mosquitto_publish_callback_set(
            m, [](mosquitto*, void* u, int) { ++static_cast<Compte*>(u)->acquittes; });
        mosquitto_connect(m, "127.0.0.1", c.port, 10);
        size_t envoyes = 0;
        while (compte.acquittes < charges.size()) {
            while (envoyes < charges.size() && envoyes - compte.acquittes < 1000) {
                mosquitto_publish(m, nullptr, "plovar/banc/mesure",
                                  static_cast<int>(charges[envoyes].size()),
                                  charges[envoyes].constData(), 1, false);
                ++envoyes;
            }
            mosquitto_loop(m, 10, 1);
        }
        mosquitto_disconnect(m);
        mosquitto_destroy(m);
    }
    etat.SetItemsProcessed(etat.iterations() * static_cast<int64_t>(charges.size()));
}
BENCHMARK(BM_RejeuPlancher)
    ->Arg(1000)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// An engine with its listeners, recording the test value once a second on a fake
// clock into a temporary folder; its timers never fire, the benchmark ticks.
struct PosteBanc {
    QTemporaryDir dir;
    test::HorlogeFixe horloge;
    std::unique_ptr<app::Poste> poste;
    PosteBanc() {
        poste = std::make_unique<app::Poste>(environnementBanc(dir, horloge, "p.csv", 3600));
        poste->moteur.demarrage();
    }
    // One sampling tick, a period later than the last.
    void tick() {
        horloge.avance(1);
        poste->moteur.Timer1_Timer();
    }
};

publication::ReglagePublication reglageBanc(int port) {
    publication::ReglagePublication r;
    r.actif = true;
    r.hote = QStringLiteral("127.0.0.1");
    r.port = port;
    r.poste = QStringLiteral("banc");
    r.cadenceRejeu = 10'000'000;
    return r;
}

// The sampling tick as the recorder's thread pays it (store, durable line, listeners),
// without publishing (0) and with the publisher on its own thread (1): what is left
// in the tick is a queued call.
void BM_TickPublication(benchmark::State& etat) {
    CourtierBanc c;
    PosteBanc b;
    app::Poste& poste = *b.poste;
    if (etat.range(0) == 1) {
        poste.publication.utilise(reglageBanc(c.port));
        while (poste.publication.bilan().etat != publication::EtatPublieur::Connecte)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }
    poste.moteur.demarre();
    for (auto _ : etat) {
        b.tick();
        QCoreApplication::processEvents();
    }
    if (poste.moteur.echantillonsRun() != static_cast<qint64>(etat.iterations()))
        etat.SkipWithError("not one sample a tick");
    if (etat.range(0) == 1) {
        QElapsedTimer t;
        t.start();
        while (poste.publication.enAttente() > 0 && t.elapsed() < 20'000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        if (poste.publication.bilan().acquittes != poste.moteur.echantillonsRun())
            etat.SkipWithError("not every sample was acknowledged");
    }
    poste.moteur.arrete();
}
BENCHMARK(BM_TickPublication)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// A sample from its tick to the broker's acknowledgement: the publisher in the
// sampling thread (0, as a baseline) and on its own thread (1), the state coming back.
void BM_BoutEnBout(benchmark::State& etat) {
    CourtierBanc c;
    PosteBanc b;
    app::Poste& poste = *b.poste;
    std::unique_ptr<publication::Publieur> local;
    const bool fil = etat.range(0) == 1;
    if (fil) {
        poste.publication.utilise(reglageBanc(c.port));
        while (poste.publication.bilan().etat != publication::EtatPublieur::Connecte)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    } else {
        local = std::make_unique<publication::Publieur>(reglageBanc(c.port));
        local->suitFichier(poste.moteur.cheminEnr());
        QObject::connect(&poste.moteur, &engine::Moteur::echantillonEcrit, local.get(),
                         [&local] { local->lignesAjoutees(); });
        local->demarre();
        while (local->etat() != publication::EtatPublieur::Connecte)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }
    poste.moteur.demarre();
    qint64 n = 0;
    const auto acquittes = [&] {
        return fil ? poste.publication.bilan().acquittes : local->acquittes();
    };
    for (auto _ : etat) {
        ++n;
        b.tick();
        while (acquittes() < n)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }
    poste.moteur.arrete();
    if (local)
        local->arrete();
}
BENCHMARK(BM_BoutEnBout)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    graph::setTwipsParPixel(15.0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
